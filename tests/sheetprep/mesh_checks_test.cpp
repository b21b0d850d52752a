// The measures of a mesh that show whether gmsh reached the size asked, worked by hand, and the
// mesh carried as bytes from gmsh's process.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>

#include "sheet/failure.hpp"
#include "sheetprep/mesh_bytes.hpp"
#include "sheetprep/mesh_checks.hpp"

namespace {

using namespace sheetprep;

TEST(triangle_quality, is_one_equilateral_and_falls_to_zero_on_a_line) {
    const double h = std::sqrt(3.0) / 2.0;
    EXPECT_NEAR(triangle_quality({0, 0, 0}, {1, 0, 0}, {0.5, h, 0}), 1.0, 1e-15);
    // Right isosceles: area 1/2, squares 1 + 1 + 2, so 2 sqrt(3) / 4.
    EXPECT_NEAR(triangle_quality({0, 0, 0}, {1, 0, 0}, {0, 1, 0}), std::sqrt(3.0) / 2.0, 1e-15);
    // A sliver 1 long and 0.01 high: 2 sqrt(3) 0.01 / (1 + 2 (0.25 + 0.0001)).
    EXPECT_NEAR(triangle_quality({0, 0, 0}, {1, 0, 0}, {0.5, 0.01, 0}),
                2.0 * std::sqrt(3.0) * 0.01 / 1.5002, 1e-15);
    EXPECT_EQ(triangle_quality({0, 0, 0}, {1, 0, 0}, {2, 0, 0}), 0.0);
    EXPECT_EQ(triangle_quality({1, 2, 3}, {1, 2, 3}, {1, 2, 3}), 0.0);
}

TEST(triangles_for, counts_equilateral_triangles_of_the_size) {
    EXPECT_NEAR(triangles_for(std::sqrt(3.0) / 4.0, 1.0), 1.0, 1e-15);
    // A disc of radius 10 at 0.01: 314.159 / (0.433 1e-4) = 7.255 million.
    EXPECT_NEAR(triangles_for(M_PI * 100.0, 0.01), 7255197.5, 0.5);
}

// A strip of n right isosceles triangles over [0, n/2] x [0, 1], and m slivers 0.01 high.
mesh strip(int n, int m) {
    mesh out;
    for (int k = 0; k <= n / 2; ++k) {
        out.nodes.push_back({static_cast<double>(k), 0.0, 0.0});
        out.nodes.push_back({static_cast<double>(k), 1.0, 0.0});
    }
    for (int k = 0; k < n / 2; ++k) {
        out.triangles.push_back({2 * k, 2 * k + 2, 2 * k + 3});
        out.triangles.push_back({2 * k, 2 * k + 3, 2 * k + 1});
    }
    for (int k = 0; k < m; ++k) {
        const auto at = static_cast<std::int32_t>(out.nodes.size());
        out.nodes.push_back({0.0, -1.0, 0.0});
        out.nodes.push_back({1.0, -1.0, 0.0});
        out.nodes.push_back({0.5, -0.99, 0.0});
        out.triangles.push_back({at, at + 1, at + 2});
    }
    return out;
}

std::string verdict(const mesh& m, std::optional<double> size, std::optional<double> expected) {
    try {
        check_size_reached(m, "s.geo", size, expected);
        return "";
    } catch (const sheet::failure& failure) {
        return failure.what();
    }
}

TEST(check_size_reached, refuses_more_than_a_tenth_of_slivers) {
    EXPECT_NEAR(mesh_area(strip(10, 2)), 5.0 + 2 * 0.005, 1e-15);
    EXPECT_EQ(verdict(strip(90, 10), std::nullopt, std::nullopt), "");
    EXPECT_EQ(verdict(strip(90, 11), std::nullopt, std::nullopt),
              "gmsh gave up on the element size asked for in s.geo: 11 of its 101 triangles (11 "
              "%) are slivers (shape quality below 0.1, where an equilateral triangle has 1), "
              "where a mesh that gmsh completes has almost none; ask for a larger element size");
}

TEST(check_size_reached, refuses_fewer_than_a_quarter_of_the_triangles_expected) {
    const mesh m = strip(100, 0);
    EXPECT_EQ(verdict(m, 0.5, 400.0), "");
    EXPECT_EQ(verdict(m, 0.5, 401.0),
              "gmsh gave up on the element size asked for in s.geo: mesh_size 0.5 takes about 401 "
              "triangles to cover the sheet, and gmsh made only 100; choose a larger mesh_size");
    // Below 100 expected the count says nothing (a size larger than the sheet), and without
    // mesh_size there is nothing to compare.
    EXPECT_EQ(verdict(strip(2, 0), 5.0, 99.0), "");
    EXPECT_EQ(verdict(m, std::nullopt, 1e6), "");
}

TEST(mesh_bytes, carry_every_field_to_the_bit) {
    mesh m = strip(4, 1);
    m.nodes[1] = {0.1, -0.0, 1e-310};
    m.groups = {{"rim\nline", 1, {0, 1, 2}, {}, {{0, 1}, {1, 2}}, {7, 99}},
                {"face", 2, {}, {0, 2}, {}, {}}};
    const std::string bytes = mesh_to_bytes(m);
    const mesh back = mesh_from_bytes(bytes);
    EXPECT_EQ(std::memcmp(back.nodes.data(), m.nodes.data(), m.nodes.size() * sizeof(point)), 0);
    EXPECT_EQ(back.triangles, m.triangles);
    ASSERT_EQ(back.groups.size(), 2u);
    for (std::size_t g = 0; g < 2; ++g) {
        const group &a = back.groups[g], &b = m.groups[g];
        EXPECT_EQ(std::tie(a.name, a.dimension, a.nodes, a.triangles, a.edges, a.stray_nodes),
                  std::tie(b.name, b.dimension, b.nodes, b.triangles, b.edges, b.stray_nodes));
    }
    // A process that stopped half way, or wrote more: never a mesh.
    for (std::size_t cut = 0; cut < bytes.size(); cut += 7)
        EXPECT_THROW(mesh_from_bytes(bytes.substr(0, cut)), sheet::failure) << cut;
    EXPECT_THROW(mesh_from_bytes(bytes + "x"), sheet::failure);
}

}  // namespace
