// Which triangles have folded: a grid turned as a whole past a right angle has none, a square
// folded along its diagonal has folded its moved half, a lone triangle
// turned over by its supports has folded, one corner of a fan pushed through the fan's centre
// folds the two triangles it turns, not their neighbours, and a crease sharper than a right
// angle that ends inside the sheet folds one triangle of its pair, not a region beside it.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "sheet/assembly/folds.hpp"

namespace {

struct grid {
    sheet::mesh mesh;
    terms::real_matrix displacements;
};

// nodes at points (x, y, 0), triangles by their corners (1-based).
grid made_of(const std::vector<std::array<double, 2>>& points,
             const std::vector<std::array<std::int32_t, 3>>& triangles) {
    grid g;
    const auto n = static_cast<std::int32_t>(points.size());
    g.mesh.node_count = n;
    g.mesh.node_x = terms::real_vector(1, n);
    g.mesh.node_y = terms::real_vector(1, n);
    g.mesh.node_z = terms::real_vector(1, n);
    for (std::int32_t i = 1; i <= n; ++i) {
        g.mesh.node_x(i) = points[static_cast<std::size_t>(i - 1)][0];
        g.mesh.node_y(i) = points[static_cast<std::size_t>(i - 1)][1];
    }
    g.mesh.elements =
        terms::array1<sheet::triangle>(1, static_cast<std::int32_t>(triangles.size()));
    for (std::int32_t e = 1; e <= g.mesh.elements.last(); ++e)
        for (int l = 0; l < 3; ++l)
            g.mesh.elements(e).node[l] = triangles[static_cast<std::size_t>(e - 1)][l];
    g.displacements = terms::real_matrix(1, n, 1, 3);
    return g;
}

// Moves node i to (x, y, z).
void move(grid& g, std::int32_t i, double x, double y, double z) {
    g.displacements(i, 1) = x - g.mesh.node_x(i);
    g.displacements(i, 2) = y - g.mesh.node_y(i);
    g.displacements(i, 3) = z - g.mesh.node_z(i);
}

// Six triangles about node 1 at the origin, node 2 + k at angle 60 k degrees on the unit circle,
// triangle k + 1 of nodes 1, 2 + k and the next.
grid fan() {
    std::vector<std::array<double, 2>> points = {{0, 0}};
    for (int k = 0; k < 6; ++k)
        points.push_back({std::cos(k * M_PI / 3.0), std::sin(k * M_PI / 3.0)});
    std::vector<std::array<std::int32_t, 3>> triangles;
    for (std::int32_t k = 0; k < 6; ++k) triangles.push_back({1, 2 + k, 2 + (k + 1) % 6});
    return made_of(points, triangles);
}

std::vector<std::uint8_t> folds(const grid& g) {
    return sheet::folded_triangles(g.mesh, g.displacements);
}

TEST(folds, a_grid_turned_as_a_whole_past_a_right_angle_has_none) {
    // 3 x 3 squares, two triangles each, turned 150 degrees about the X axis
    std::vector<std::array<double, 2>> points;
    std::vector<std::array<std::int32_t, 3>> triangles;
    for (int j = 0; j <= 3; ++j)
        for (int i = 0; i <= 3; ++i) points.push_back({double(i), double(j)});
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            const std::int32_t a = 4 * j + i + 1;
            triangles.push_back({a, a + 1, a + 5});
            triangles.push_back({a, a + 5, a + 4});
        }
    grid g = made_of(points, triangles);
    const double c = std::cos(150.0 * M_PI / 180.0), s = std::sin(150.0 * M_PI / 180.0);
    for (std::int32_t i = 1; i <= g.mesh.node_count; ++i)
        move(g, i, g.mesh.node_x(i), c * g.mesh.node_y(i), s * g.mesh.node_y(i));
    EXPECT_EQ(folds(g), std::vector<std::uint8_t>(18, 0));
}

TEST(folds, a_square_folded_along_its_diagonal_folds_the_half_that_moved) {
    grid g = made_of({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{1, 2, 3}, {1, 3, 4}});
    EXPECT_EQ(folds(g), (std::vector<std::uint8_t>{0, 0}));
    move(g, 4, 1.0, 0.0, 0.0);  // node 4 mirrored across the diagonal 1-3 onto node 2
    EXPECT_EQ(folds(g), (std::vector<std::uint8_t>{0, 1}));
}

TEST(folds, a_lone_triangle_has_folded_when_its_normal_turned_against_its_initial_one) {
    grid g = made_of({{0, 0}, {1, 0}, {0, 1}}, {{1, 2, 3}});
    move(g, 3, 0.0, 1.0, 0.0);
    EXPECT_EQ(folds(g), std::vector<std::uint8_t>{0});
    move(g, 3, 0.0, -1.0, 0.0);
    EXPECT_EQ(folds(g), std::vector<std::uint8_t>{1});
}

TEST(folds, a_corner_pushed_through_the_centre_folds_the_triangles_it_turns) {
    // a fan of six triangles about node 1; node 2 pushed through to the far side of the centre
    grid g = fan();
    move(g, 2, -0.3, 0.0, 0.0);
    // triangles 1 (1 2 3) and 6 (1 7 2) have turned over; the other four have not
    EXPECT_EQ(folds(g), (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 1}));
}

// Node i of g turned by angle (degrees) about the line through node 1 along node a's position.
void turn_about(grid& g, std::int32_t i, std::int32_t a, double angle) {
    const double k[3] = {g.mesh.node_x(a), g.mesh.node_y(a), 0.0};
    const double v[3] = {g.mesh.node_x(i), g.mesh.node_y(i), 0.0};
    const double c = std::cos(angle * M_PI / 180.0), s = std::sin(angle * M_PI / 180.0);
    const double along = k[0] * v[0] + k[1] * v[1];
    const double cross[3] = {k[1] * v[2] - k[2] * v[1], k[2] * v[0] - k[0] * v[2],
                             k[0] * v[1] - k[1] * v[0]};
    move(g, i, v[0] * c + cross[0] * s + k[0] * along * (1 - c),
         v[1] * c + cross[1] * s + k[1] * along * (1 - c),
         v[2] * c + cross[2] * s + k[2] * along * (1 - c));
}

TEST(folds, a_crease_that_ends_inside_the_sheet_folds_one_triangle_of_its_pair) {
    // The fan of six triangles about node 1, its two triangles on the edge 1-3 closed like a book
    // about that edge (nodes 2 and 4 turned up): past a right angle between them, the pair has
    // turned over, while around node 1 the other four lead from one to the other without
    // turning. Of the pair the one turned further has folded, and nothing else.
    struct closed {
        double node_2, node_4;  // degrees
        std::vector<std::uint8_t> folded;
    };
    for (const closed& c : {closed{55, 70, {0, 1, 0, 0, 0, 0}}, closed{70, 55, {1, 0, 0, 0, 0, 0}},
                            closed{40, 45, {0, 0, 0, 0, 0, 0}}}) {
        grid g = fan();
        turn_about(g, 2, 3, -c.node_2);
        turn_about(g, 4, 3, c.node_4);
        EXPECT_EQ(folds(g), c.folded) << c.node_2 << " " << c.node_4;
    }
}

}  // namespace
