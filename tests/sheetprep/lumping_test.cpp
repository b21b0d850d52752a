// Lumped loads: on a curved mesh their sums are the load times the area or the length, to
// rounding; on a flat square of equal triangles every interior node carries the same force.
#include <gtest/gtest.h>

#include <cmath>

#include "sheetprep/gmsh_mesh.hpp"
#include "sheetprep/loads.hpp"
#include "sheetprep_run.hpp"

namespace {

using namespace sheetprep;
using sheetprep_testing::data_file;

const group& named(const mesh& m, const std::string& name) {
    for (const group& g : m.groups)
        if (g.name == name) return g;
    throw std::runtime_error("no group " + name);
}

double distance(const point& a, const point& b) {
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

// Heron's formula, apart from the cross product the lumping uses.
double area(const mesh& m, const std::array<std::int32_t, 3>& t) {
    const double a = distance(m.nodes[t[0]], m.nodes[t[1]]);
    const double b = distance(m.nodes[t[1]], m.nodes[t[2]]);
    const double c = distance(m.nodes[t[2]], m.nodes[t[0]]);
    const double s = 0.5 * (a + b + c);
    return std::sqrt(s * (s - a) * (s - b) * (s - c));
}

point summed(const nodal_forces& forces) {
    point total{0.0, 0.0, 0.0};
    for (const auto& f : forces)
        for (int j = 0; j < 3; ++j) total[j] += f[j];
    return total;
}

struct lumping_case {
    const char* name;
    load applied;
    // The expected resultant, from the load and the dome's area, rim polygon and rim length.
    point (*expected)(const load&, double area, double rim_polygon, double rim_length);
};

class lumped_on_dome : public ::testing::TestWithParam<lumping_case> {
protected:
    static void SetUpTestSuite() { dome = new mesh(read_mesh(data_file("dome.geo"), {})); }
    static void TearDownTestSuite() { delete dome; }
    static mesh* dome;
};
mesh* lumped_on_dome::dome = nullptr;

TEST_P(lumped_on_dome, sums_to_the_load_times_area_or_length) {
    const mesh& m = *dome;
    double total_area = 0.0;
    for (const auto& t : m.triangles) total_area += area(m, t);
    // The rim polygon's area by the shoelace formula, and its length.
    double polygon = 0.0, rim_length = 0.0;
    for (const auto& [a, b] : named(m, "rim").edges) {
        polygon += 0.5 * (m.nodes[a][0] * m.nodes[b][1] - m.nodes[b][0] * m.nodes[a][1]);
        rim_length += distance(m.nodes[a], m.nodes[b]);
    }
    polygon = std::abs(polygon);
    // The mesh approximates the hemisphere of radius 2 it was drawn from.
    EXPECT_NEAR(total_area, 8.0 * M_PI, 0.02 * 8.0 * M_PI);
    EXPECT_NEAR(rim_length, 4.0 * M_PI, 0.01 * 4.0 * M_PI);

    const lumping_case& c = GetParam();
    nodal_forces forces(m.nodes.size(), {0.0, 0.0, 0.0});
    lump(c.applied, named(m, c.applied.group), m, forces);
    const point total = summed(forces);
    const point expected = c.expected(c.applied, total_area, polygon, rim_length);
    for (int j = 0; j < 3; ++j)
        EXPECT_NEAR(total[j], expected[j], 1e-13 * 30.0) << "direction " << j + 1;
}

INSTANTIATE_TEST_SUITE_P(
    loads, lumped_on_dome,
    ::testing::Values(
        // Σ (p/6) n over the corners is p times the vector area, which for a cap is the
        // rim polygon's area along Z.
        lumping_case{"pressure",
                     {"dome", load_kind::pressure, {0.7, 0.0, 0.0}},
                     [](const load& l, double, double polygon, double) {
                         return point{0.0, 0.0, l.vector[0] * polygon};
                     }},
        lumping_case{"traction",
                     {"dome", load_kind::traction, {0.5, -2.0, 3.0}},
                     [](const load& l, double area, double, double) {
                         return point{l.vector[0] * area, l.vector[1] * area, l.vector[2] * area};
                     }},
        lumping_case{"line_load",
                     {"rim", load_kind::line_load, {1.5, 0.0, -4.0}},
                     [](const load& l, double, double, double length) {
                         return point{l.vector[0] * length, 0.0, l.vector[2] * length};
                     }},
        lumping_case{"force_on_a_point",
                     {"top", load_kind::force, {1.0, 2.0, 3.0}},
                     [](const load& l, double, double, double) {
                         return point{l.vector[0], l.vector[1], l.vector[2]};
                     }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(lumped_on_dome_mesh, drops_the_centre_point_no_triangle_uses) {
    const mesh m = read_mesh(data_file("dome.geo"), {});
    for (const group& g : m.groups)
        if (g.name == "centre") {
            EXPECT_TRUE(g.nodes.empty());
            EXPECT_EQ(g.stray_nodes.size(), 1u);
        }
    for (const point& p : m.nodes) EXPECT_GT(distance(p, {0.0, 0.0, 0.0}), 1.9);
}

TEST(lumped_on_flat_square, every_interior_node_carries_the_same_force) {
    testing_support::scratch_dir dir;
    testing_support::write_file(dir.path() / "square.msh", sheetprep_testing::square_msh());
    const mesh m = read_mesh(dir.path() / "square.msh", {});
    ASSERT_EQ(m.nodes.size(), 25u);
    ASSERT_EQ(m.triangles.size(), 32u);
    nodal_forces forces(m.nodes.size(), {0.0, 0.0, 0.0});
    lump({"face", load_kind::pressure, {0.3, 0.0, 0.0}}, named(m, "face"), m, forces);

    int interior = 0;
    double first = 0.0;
    for (std::size_t k = 0; k < m.nodes.size(); ++k) {
        const point& p = m.nodes[k];
        EXPECT_EQ(forces[k][0], 0.0);
        EXPECT_EQ(forces[k][1], 0.0);
        if (p[0] > 0.0 && p[0] < 1.0 && p[1] > 0.0 && p[1] < 1.0) {
            // Six triangles of area h²/2, a third of each: p h² with h = 0.25.
            if (interior == 0) first = forces[k][2];
            EXPECT_EQ(forces[k][2], first) << "node " << k + 1;
            EXPECT_NEAR(forces[k][2], 0.3 * 0.0625, 1e-17);
            ++interior;
        } else {
            EXPECT_LT(forces[k][2], 0.3 * 0.0625) << "edge node " << k + 1;
        }
    }
    EXPECT_EQ(interior, 9);
    EXPECT_NEAR(summed(forces)[2], 0.3, 1e-15);
}

}  // namespace
