// The starting state on hand-made models: the numbering of the components in both programs,
// the vector of unknowns, the stopping tolerance, and the initial geometry of each triangle.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "sheet/failure.hpp"
#include "sheet/model/start.hpp"
#include "support/input_text.hpp"

namespace {

using input_text::replaced;

struct component {
    int node;
    int direction;
};

// Three nodes, one triangle, the given components prescribed (value 0.0) and the given loads.
std::string three_nodes(const std::vector<component>& fixed, const std::string& settings,
                        const std::string& material, const std::string& loads) {
    std::string text = ": settings\n" + settings + "\n: sheet\n" + material +
                       "\n: nodes\n3\nheading\n1 0.0 0.0 0.0\n2 1.0 0.0 0.0\n3 0.0 1.0 0.0\n"
                       ": elements\n1\nheading\n1 1 2 3\n: prescribed displacements\n";
    text += std::to_string(fixed.size());
    text += "\nheading\n";
    for (const component c : fixed) {
        text += std::to_string(c.node);
        text += ' ';
        text += std::to_string(c.direction);
        text += " 0.0\n";
    }
    text += ": loads\n";
    text += loads;
    return text;
}

const std::vector<component> all_nine = {{1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2},
                                         {2, 3}, {3, 1}, {3, 2}, {3, 3}};
// Everything but (1, 3) and (2, 1), listed out of order.
const std::vector<component> all_but_two = {{3, 3}, {1, 1}, {2, 3}, {1, 2}, {3, 1}, {2, 2}, {3, 2}};
const char* const absolute = "0.9 10 0.001 1.0 500 5";

std::vector<int> dof_map_of(const sheet::model& m) {
    std::vector<int> map;
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) map.push_back(m.numbering.dof_map(i, j));
    return map;
}

TEST(numbering, all_nine_prescribed_in_dorvan_leaves_the_thickness_only) {
    dorvan::model m =
        input_text::read_dorvan(three_nodes(all_nine, absolute, "0.5 1 1.0 100.0", "0\n"));
    dorvan::program::start(m);
    EXPECT_EQ(m.numbering.free_count, 0);
    EXPECT_EQ(m.numbering.unknown_count, 1);
    EXPECT_EQ(dof_map_of(m), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10}));
    ASSERT_EQ(m.unknowns.x.first(), 1);
    ASSERT_EQ(m.unknowns.x.last(), 1);
    EXPECT_EQ(m.unknowns.x(1), 1.0);
    ASSERT_EQ(m.unknowns.gradient.last(), 1);
    EXPECT_EQ(m.unknowns.gradient(1), 0.0);
}

TEST(numbering, all_nine_prescribed_in_melvar_leaves_no_unknown) {
    melvar::model m = input_text::read_melvar(three_nodes(all_nine, absolute, "0.5 1 1.0", "0\n"));
    melvar::program::start(m);
    EXPECT_EQ(m.numbering.free_count, 0);
    EXPECT_EQ(dof_map_of(m), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(m.unknowns.x.size(), 0u);
    EXPECT_EQ(m.unknowns.gradient.size(), 0u);
}

TEST(numbering, two_free_components_in_dorvan) {
    dorvan::model m =
        input_text::read_dorvan(three_nodes(all_but_two, absolute, "0.5 1 1.0 100.0", "0\n"));
    dorvan::program::start(m);
    EXPECT_EQ(m.numbering.free_count, 2);
    EXPECT_EQ(m.numbering.unknown_count, 3);
    // (1,1) (1,2) (1,3) (2,1) (2,2) (2,3) (3,1) (3,2) (3,3)
    EXPECT_EQ(dof_map_of(m), (std::vector<int>{4, 5, 1, 2, 6, 7, 8, 9, 10}));
    ASSERT_EQ(m.unknowns.x.last(), 3);
    EXPECT_EQ(m.unknowns.x(1), 0.0);
    EXPECT_EQ(m.unknowns.x(2), 0.0);
    EXPECT_EQ(m.unknowns.x(3), 1.0);
}

TEST(numbering, two_free_components_in_melvar) {
    melvar::model m =
        input_text::read_melvar(three_nodes(all_but_two, absolute, "0.5 1 1.0", "0\n"));
    melvar::program::start(m);
    EXPECT_EQ(m.numbering.free_count, 2);
    EXPECT_EQ(dof_map_of(m), (std::vector<int>{3, 4, 1, 2, 5, 6, 7, 8, 9}));
    ASSERT_EQ(m.unknowns.x.last(), 2);
    EXPECT_EQ(m.unknowns.x(1), 0.0);
    EXPECT_EQ(m.unknowns.x(2), 0.0);
}

TEST(numbering, thickness_variables_follow_the_free_components_in_element_order) {
    // Two triangles, nothing prescribed: 12 free components, then the two thickness entries.
    std::string text = three_nodes({}, absolute, "0.5 1 1.0 100.0", "0\n");
    text = replaced(text, "3\nheading\n1 0.0", "4\nheading\n4 1.0 1.0 0.5\n1 0.0");
    text = replaced(text, "1\nheading\n1 1 2 3\n", "2\nheading\n2 2 4 3\n1 1 2 3\n");
    dorvan::model m = input_text::read_dorvan(text);
    dorvan::program::start(m);
    EXPECT_EQ(m.numbering.free_count, 12);
    EXPECT_EQ(m.numbering.unknown_count, 14);
    std::vector<int> expected(12);
    for (int k = 0; k < 12; ++k) expected[k] = k + 1;
    EXPECT_EQ(dof_map_of(m), expected);
    EXPECT_EQ(m.unknowns.x(12), 0.0);
    EXPECT_EQ(m.unknowns.x(13), 1.0);
    EXPECT_EQ(m.unknowns.x(14), 1.0);
}

TEST(numbering, without_elements_the_unknowns_are_the_free_components) {
    std::string text = three_nodes({{2, 2}}, absolute, "0.5 1 1.0 100.0", "0\n");
    text = replaced(text, "1\nheading\n1 1 2 3\n", "0\nheading\n");
    dorvan::model m = input_text::read_dorvan(text);
    dorvan::program::start(m);
    EXPECT_EQ(m.numbering.free_count, 8);
    EXPECT_EQ(m.numbering.unknown_count, 8);
    EXPECT_EQ(dof_map_of(m), (std::vector<int>{1, 2, 3, 4, 9, 5, 6, 7, 8}));
}

TEST(numbering, prescribed_indices_that_overflow_32_bits_are_a_failure) {
    sheet::model m;
    m.problem.mesh.node_count = 1;
    m.problem.supports.held = terms::flag_matrix(1, 1, 1, 3);
    m.problem.supports.held(1, 2) = true;
    m.problem.supports.held(1, 3) = true;
    sheet::number_components(m, 1, 1, 2147483645);  // the last prescribed index is 2^31 - 1
    EXPECT_EQ(m.numbering.dof_map(1, 1), 1);
    EXPECT_EQ(m.numbering.dof_map(1, 3), 2147483647);
    EXPECT_THROW(sheet::number_components(m, 1, 1, 2147483646), sheet::failure);
}

TEST(tolerance, absolute_needs_no_evaluation_of_the_objective) {
    // An evaluation would give the undeformed element's energy, which is not 0, and put the
    // negated load into the gradient.
    const std::string settings = "0.9 10 0.001 2.0 500 5";
    dorvan::model d = input_text::read_dorvan(
        three_nodes(all_but_two, settings, "0.5 1 1.0 100.0", "1\nh\n1 3 -5.0\n"));
    ASSERT_NO_THROW(dorvan::program::start(d));
    EXPECT_EQ(d.results.tolerance, 0.002);
    EXPECT_EQ(d.results.energy, 0.0);
    for (std::int32_t k = 1; k <= d.numbering.unknown_count; ++k)
        EXPECT_EQ(d.unknowns.gradient(k), 0.0);

    melvar::model m = input_text::read_melvar(
        three_nodes(all_but_two, settings, "0.5 1 1.0", "1\nh\n1 3 -5.0\n"));
    ASSERT_NO_THROW(melvar::program::start(m));
    EXPECT_EQ(m.results.tolerance, 0.002);
    EXPECT_EQ(m.results.energy, 0.0);
}

TEST(tolerance, relative_is_the_largest_initial_gradient_entry_times_the_factor) {
    // At the undeformed start the element exerts no force: the largest entry is the load's.
    for (const char* settings : {"0.9 10 0.001 0.0 500 5", "0.9 10 0 -2.0 500 5"}) {
        dorvan::model d = input_text::read_dorvan(
            three_nodes(all_but_two, settings, "0.5 1 1.0 100.0", "1\nh\n1 3 -5.0\n"));
        dorvan::program::start(d);
        EXPECT_DOUBLE_EQ(d.results.tolerance, 0.005) << settings;
        EXPECT_EQ(d.unknowns.gradient(d.numbering.dof_map(1, 3)), 5.0);
        EXPECT_EQ(d.unknowns.gradient(d.numbering.dof_map(2, 1)), 0.0);
        EXPECT_EQ(d.unknowns.gradient(3), 0.0);  // the thickness entry

        melvar::model m = input_text::read_melvar(
            three_nodes(all_but_two, settings, "0.5 1 1.0", "1\nh\n1 3 -5.0\n"));
        melvar::program::start(m);
        EXPECT_DOUBLE_EQ(m.results.tolerance, 0.005) << settings;
        EXPECT_EQ(m.unknowns.gradient(m.numbering.dof_map(1, 3)), 5.0);
    }
}

TEST(tolerance, is_fixed_with_one_evaluation_only_when_relative) {
    sheet::model m;
    m.problem.settings.tolerance_factor = 0.5;
    m.numbering.unknown_count = 3;
    m.unknowns.x = terms::real_vector(1, 3);
    m.unknowns.gradient = terms::real_vector(1, 3);
    int calls = 0;
    const auto objective = [&calls](std::int32_t n, const terms::real_vector&,
                                    terms::real_vector& g) {
        ++calls;
        EXPECT_EQ(n, 3);
        g(1) = 1.0;
        g(2) = -7.0;
        g(3) = 3.0;
        return -4.25;
    };
    m.problem.settings.reference_force = 3.0;
    sheet::fix_tolerance(m, m.problem.settings.tolerance_factor, objective);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(m.results.tolerance, 1.5);
    EXPECT_EQ(m.results.energy, 0.0);

    for (const double reference : {0.0, -0.0, -3.0}) {
        calls = 0;
        m.problem.settings.reference_force = reference;
        sheet::fix_tolerance(m, m.problem.settings.tolerance_factor, objective);
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(m.results.tolerance, 3.5);  // |-7| x 0.5
        EXPECT_EQ(m.results.energy, -4.25);
    }
}

// Nodes 1, 2, 3 of a skew triangle in space, and every order of its corners as elements 1..6.
const std::array<std::array<int, 3>, 6> orders = {
    {{1, 2, 3}, {1, 3, 2}, {2, 1, 3}, {2, 3, 1}, {3, 1, 2}, {3, 2, 1}}};

std::string six_orders(const std::string& nodes) {
    std::string text = three_nodes({}, absolute, "0.5 1 1.0 100.0", "0\n");
    text = replaced(text, "1 0.0 0.0 0.0\n2 1.0 0.0 0.0\n3 0.0 1.0 0.0\n", nodes);
    std::string elements = "6\nheading\n";
    for (std::size_t e = 0; e < orders.size(); ++e) {
        elements += std::to_string(e + 1);
        for (const int n : orders[e]) {
            elements += ' ';
            elements += std::to_string(n);
        }
        elements += '\n';
    }
    return replaced(text, "1\nheading\n1 1 2 3\n", elements);
}

TEST(geometry, twice_the_area_is_the_same_for_every_order_of_the_corners) {
    dorvan::model m =
        input_text::read_dorvan(six_orders("1 1.0 2.0 3.0\n2 4.0 -1.0 2.0\n3 0.5 0.25 -2.0\n"));
    sheet::complete_geometry(m);
    // |(P2 - P1) x (P3 - P1)| in long double, from another pair of edges.
    const long double u[3] = {3.0L, -3.0L, -1.0L}, v[3] = {-0.5L, -1.75L, -5.0L};
    const long double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                              u[0] * v[1] - u[1] * v[0]};
    const double reference =
        static_cast<double>(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]));
    for (std::int32_t e = 1; e <= 6; ++e) {
        EXPECT_GT(m.geometry(e).area2, 0.0) << "element " << e;
        EXPECT_NEAR(m.geometry(e).area2, reference, 4e-16 * reference) << "element " << e;
    }
}

TEST(geometry, edges_and_metric_of_a_right_triangle) {
    dorvan::model m =
        input_text::read_dorvan(six_orders("1 0.0 0.0 0.0\n2 3.0 0.0 0.0\n3 0.0 4.0 0.0\n"));
    sheet::complete_geometry(m);
    for (std::int32_t e = 1; e <= 6; ++e) EXPECT_EQ(m.geometry(e).area2, 12.0) << e;
    // Element 1 has the corners 1, 2, 3: edge_a = P3 - P2, edge_b = P1 - P3.
    const sheet::element_geometry& r = m.geometry(1);
    EXPECT_EQ(r.edge_a[0], -3.0);
    EXPECT_EQ(r.edge_a[1], 4.0);
    EXPECT_EQ(r.edge_a[2], 0.0);
    EXPECT_EQ(r.edge_b[0], 0.0);
    EXPECT_EQ(r.edge_b[1], -4.0);
    EXPECT_EQ(r.edge_b[2], 0.0);
    EXPECT_EQ(r.a_a, 25.0);
    EXPECT_EQ(r.a_b, -16.0);
    EXPECT_EQ(r.b_b, 16.0);
    // Element 6 has the corners 3, 2, 1: edge_a = P1 - P2, edge_b = P3 - P1.
    const sheet::element_geometry& s = m.geometry(6);
    EXPECT_EQ(s.edge_a[0], -3.0);
    EXPECT_EQ(s.edge_b[1], 4.0);
    EXPECT_EQ(s.a_a, 9.0);
    EXPECT_EQ(s.a_b, 0.0);
    EXPECT_EQ(s.b_b, 16.0);
}

std::string geometry_failure(const std::string& text) {
    dorvan::model m = input_text::read_dorvan(text);
    try {
        sheet::complete_geometry(m);
    } catch (const sheet::failure& failure) {
        return failure.what();
    }
    return "";
}

TEST(geometry, a_corner_that_is_no_node_is_rejected_with_the_element_named) {
    const std::string text = six_orders("1 0.0 0.0 0.0\n2 3.0 0.0 0.0\n3 0.0 4.0 0.0\n");
    EXPECT_EQ(geometry_failure(replaced(text, "3 2 1 3\n", "3 2 4 3\n")),
              "element 3 names node 4, which does not exist (the nodes are 1..3)");
    EXPECT_EQ(geometry_failure(replaced(text, "6 3 2 1\n", "6 3 2 -1\n")),
              "element 6 names node -1, which does not exist (the nodes are 1..3)");
    // An element that no line names keeps the corners 0.
    EXPECT_EQ(geometry_failure(replaced(text, "5 3 1 2\n", "4 3 1 2\n")),
              "element 5 names node 0, which does not exist (the nodes are 1..3)");
}

TEST(geometry, a_triangle_without_area_is_rejected_with_the_element_named) {
    const std::string text = six_orders("1 0.0 0.0 0.0\n2 3.0 0.0 0.0\n3 0.0 4.0 0.0\n");
    EXPECT_EQ(geometry_failure(replaced(text, "2 1 3 2\n", "2 1 3 3\n")),
              "element 2 has zero area: its corners are collinear or coincide");
    // Collinear corners in space.
    EXPECT_EQ(geometry_failure(six_orders("1 1.0 1.0 1.0\n2 3.0 3.0 3.0\n3 -2.0 -2.0 -2.0\n")),
              "element 1 has zero area: its corners are collinear or coincide");
}

}  // namespace
