// Lumped loads: on a curved mesh they sum to the load times the area or the length, to
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

point summed(const load& applied, const mesh& m) {
    nodal_forces forces(m.nodes.size(), {0.0, 0.0, 0.0});
    lump(applied, named(m, applied.group), m, forces);
    point total{0.0, 0.0, 0.0};
    for (const auto& f : forces)
        for (int j = 0; j < 3; ++j) total[j] += f[j];
    return total;
}

struct lumping_case {
    load applied;
    point per_unit;  // the resultant is this times the measure below
    enum { area, rim_polygon, rim_length, one } measure;
};

void PrintTo(const lumping_case& c, std::ostream* out) {
    *out << sheetprep::kind_name(c.applied.kind) << "_on_" << c.applied.group;
}

class lumped_on_dome : public ::testing::TestWithParam<lumping_case> {};

TEST_P(lumped_on_dome, sums_to_the_load_times_area_or_length) {
    const mesh m = read_mesh(data_file("dome.geo"), {});
    double measures[4] = {0.0, 0.0, 0.0, 1.0};
    for (const auto& t : m.triangles) {  // Heron's formula, apart from the lumping's cross product
        const double a = distance(m.nodes[t[0]], m.nodes[t[1]]);
        const double b = distance(m.nodes[t[1]], m.nodes[t[2]]);
        const double c = distance(m.nodes[t[2]], m.nodes[t[0]]);
        const double s = 0.5 * (a + b + c);
        measures[0] += std::sqrt(s * (s - a) * (s - b) * (s - c));
    }
    for (const auto& [a, b] : named(m, "rim").edges) {  // shoelace area and length of the rim
        measures[1] += 0.5 * (m.nodes[a][0] * m.nodes[b][1] - m.nodes[b][0] * m.nodes[a][1]);
        measures[2] += distance(m.nodes[a], m.nodes[b]);
    }
    EXPECT_NEAR(measures[0], 8.0 * M_PI, 0.02 * 8.0 * M_PI);  // the hemisphere of radius 2
    EXPECT_NEAR(measures[2], 4.0 * M_PI, 0.01 * 4.0 * M_PI);

    const lumping_case& c = GetParam();
    const point total = summed(c.applied, m);
    for (int j = 0; j < 3; ++j)
        EXPECT_NEAR(total[j], c.per_unit[j] * std::abs(measures[c.measure]), 1e-12)
            << "direction " << j + 1;
}

// A pressure sums to p times the vector area, for a cap the rim polygon's area along Z.
INSTANTIATE_TEST_SUITE_P(
    loads, lumped_on_dome,
    ::testing::Values(
        lumping_case{
            {"dome", load_kind::pressure, {0.7, 0, 0}}, {0, 0, 0.7}, lumping_case::rim_polygon},
        lumping_case{{"dome", load_kind::traction, {0.5, -2, 3}}, {0.5, -2, 3}, lumping_case::area},
        lumping_case{
            {"rim", load_kind::line_load, {1.5, 0, -4}}, {1.5, 0, -4}, lumping_case::rim_length},
        lumping_case{{"top", load_kind::force, {1, 2, 3}}, {1, 2, 3}, lumping_case::one}));

TEST(lumped_on_flat_square, every_interior_node_carries_the_same_force) {
    const mesh m = read_mesh(data_file("square.msh"), {});
    ASSERT_EQ(m.nodes.size(), 25u);
    nodal_forces forces(m.nodes.size(), {0.0, 0.0, 0.0});
    lump({"face", load_kind::pressure, {0.3, 0.0, 0.0}}, named(m, "face"), m, forces);
    std::vector<double> interior;
    for (std::size_t k = 0; k < m.nodes.size(); ++k) {
        EXPECT_EQ(forces[k][0], 0.0);
        EXPECT_EQ(forces[k][1], 0.0);
        const point& p = m.nodes[k];
        if (p[0] > 0.0 && p[0] < 1.0 && p[1] > 0.0 && p[1] < 1.0)
            interior.push_back(forces[k][2]);
        else
            EXPECT_LT(forces[k][2], 0.3 * 0.0625);
    }
    // Six triangles of area h²/2, a third of each: p h² with h = 0.25.
    EXPECT_EQ(interior, std::vector<double>(9, interior[0]));
    EXPECT_NEAR(interior[0], 0.3 * 0.0625, 1e-17);
}

TEST(lumped_on_dome_mesh, drops_the_centre_point_no_triangle_uses) {
    const mesh m = read_mesh(data_file("dome.geo"), {});
    EXPECT_TRUE(named(m, "centre").nodes.empty());
    EXPECT_EQ(named(m, "centre").stray_nodes.size(), 1u);
    for (const point& p : m.nodes) EXPECT_GT(distance(p, {0.0, 0.0, 0.0}), 1.9);
}

}  // namespace
