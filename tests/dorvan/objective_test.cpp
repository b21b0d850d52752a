// The total potential energy of a small sheet and its gradient: the starting state, which loads
// take part, how elements meeting at a node add up, and the whole gradient against finite
// differences.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "dorvan/kinematics.hpp"
#include "dorvan/model_text.hpp"
#include "dorvan/plane_stress.hpp"
#include "dorvan/program.hpp"
#include "support/objectives.hpp"

namespace {

using namespace dorvan_tests;

// A 1 x 1 square of 2 x 2 cells (nodes 1..9, 8 triangles) with its middle node lifted out of
// plane, node 1 fixed, node 3 moved to a prescribed place, loads on free and fixed components,
// and a node 10 that no element names.
problem small_sheet(const compressible_law& law) {
    problem p;
    p.material = {law.material, law.input_constants()};
    p.thickness = 0.5;
    rectangle_mesh(p, 1.0, 1.0, 2, 2);
    p.nodes[4].z = 0.15;
    p.nodes.push_back({10, 3.0, 3.0, 0.0});
    for (int j = 1; j <= 3; ++j) p.prescribed.push_back({1, j, 0.0});
    p.prescribed.push_back({3, 1, 0.05});
    p.prescribed.push_back({3, 3, -0.02});
    p.loads = {{9, 1, 0.3}, {9, 2, -0.2}, {5, 3, 0.1}, {7, 2, 0.25}, {10, 1, 0.7}, {10, 3, -0.4}};
    return p;
}

const compressible_law neo = compressible_law::neo_hookean(1.0, 4.0);
const compressible_law mooney = compressible_law::mooney_rivlin(0.4, 0.1, 5.0);

// A deformed state: free displacements of size up to 0.15, thickness variables near 1.
terms::real_vector random_state(const dorvan::model& m, std::uint64_t seed) {
    random_reals pick(seed);
    terms::real_vector x(1, m.numbering.unknown_count);
    for (std::int32_t k = 1; k <= m.numbering.free_count; ++k) x(k) = pick(-0.15, 0.15);
    for (std::int32_t k = m.numbering.free_count + 1; k <= m.numbering.unknown_count; ++k)
        x(k) = pick(0.9, 1.1);
    return x;
}

double evaluate(const dorvan::model& m, const terms::real_vector& x, terms::real_vector& g) {
    return testing_support::dorvan_objective(m, m.numbering.unknown_count, x, g);
}

class objective_law : public ::testing::TestWithParam<compressible_law> {};

TEST_P(objective_law, starting_state_holds_the_offset_energy_and_the_negated_loads) {
    const compressible_law law = GetParam();
    problem p = small_sheet(law);
    for (component_line& c : p.prescribed) c.value = 0.0;  // the undeformed sheet
    const dorvan::model m = started_model(p);
    ASSERT_EQ(m.numbering.free_count, 30 - 5);
    ASSERT_EQ(m.numbering.unknown_count, 25 + 8);
    terms::real_vector g(1, m.numbering.unknown_count);
    for (std::int32_t k = 1; k <= m.numbering.unknown_count; ++k)
        g(k) = 123.0;  // must all be written
    const double f = evaluate(m, m.unknowns.x, g);

    double expected = 0.0;
    for (std::int32_t e = 1; e <= 8; ++e)
        expected += energy_density(law, {1.0, 1.0, 1.0}) * m.geometry(e).area2 * p.thickness / 2.0;
    EXPECT_NEAR(f, expected, 1e-14 * std::fabs(expected));

    for (std::int32_t i = 1; i <= 10; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) {
            const std::int32_t k = m.numbering.dof_map(i, j);
            if (k > m.numbering.free_count) continue;
            EXPECT_NEAR(g(k), -m.problem.loads(i, j), 1e-15) << "node " << i << " direction " << j;
        }
    for (std::int32_t e = 1; e <= 8; ++e) EXPECT_NEAR(g(m.numbering.free_count + e), 0.0, 1e-15);
}

TEST_P(objective_law, load_on_a_prescribed_component_does_no_work) {
    const problem p = small_sheet(GetParam());
    problem loaded = p;
    loaded.loads.push_back({1, 2, 5.0});
    loaded.loads.push_back({3, 1, -3.0});
    const dorvan::model a = started_model(p), b = started_model(loaded);
    const terms::real_vector x = random_state(a, 3);
    terms::real_vector ga(1, a.numbering.unknown_count), gb(1, b.numbering.unknown_count);
    EXPECT_EQ(evaluate(a, x, ga), evaluate(b, x, gb));
    for (std::int32_t k = 1; k <= a.numbering.unknown_count; ++k) EXPECT_EQ(ga(k), gb(k)) << k;
}

TEST_P(objective_law, component_outside_every_element_feels_its_load_alone) {
    const dorvan::model m = started_model(small_sheet(GetParam()));
    terms::real_vector x = random_state(m, 4);
    terms::real_vector g(1, m.numbering.unknown_count);
    const double f = evaluate(m, x, g);
    const std::int32_t k1 = m.numbering.dof_map(10, 1), k2 = m.numbering.dof_map(10, 2),
                       k3 = m.numbering.dof_map(10, 3);
    EXPECT_EQ(g(k1), -0.7);
    EXPECT_EQ(g(k2), -0.0);
    EXPECT_EQ(g(k3), 0.4);
    // Moving node 10 changes the energy by the work of its loads alone.
    x(k1) += 0.5;
    x(k3) += 0.25;
    EXPECT_NEAR(evaluate(m, x, g), f - 0.5 * 0.7 + 0.25 * 0.4, 1e-13);
}

TEST_P(objective_law, elements_meeting_at_a_node_add_their_forces) {
    const dorvan::model m = started_model(small_sheet(GetParam()));
    const terms::real_vector x = random_state(m, 5);
    terms::real_vector g(1, m.numbering.unknown_count);
    const double f = evaluate(m, x, g);

    // Sum of the element forces at every component, less the loads, built element by element.
    std::vector<double> balance(3 * 11, 0.0), slope(9, 0.0);
    double energy = 0.0;
    for (std::int32_t i = 1; i <= 10; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) {
            const std::int32_t k = m.numbering.dof_map(i, j);
            if (k <= m.numbering.free_count) energy -= x(k) * m.problem.loads(i, j);
            balance[3 * i + j - 1] = -m.problem.loads(i, j);
        }
    for (std::int32_t e = 1; e <= 8; ++e) {
        sheet::element_forces forces;
        const dorvan::element_result r = sheet::element_at<dorvan::kinematics>(m, e, x, forces);
        energy += r.strain_energy;
        slope[e] = r.thickness_slope;
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j)
                balance[3 * m.problem.mesh.elements(e).node[l] + j] += forces.row[l][j];
    }
    EXPECT_NEAR(f, energy, 1e-14 * std::fabs(energy));
    // Node 5, the middle, belongs to all eight triangles; node 9 to one.
    for (std::int32_t i = 1; i <= 10; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) {
            const std::int32_t k = m.numbering.dof_map(i, j);
            if (k <= m.numbering.free_count) {
                EXPECT_NEAR(g(k), balance[3 * i + j - 1], 1e-14) << "node " << i << " dir " << j;
            }
        }
    for (std::int32_t e = 1; e <= 8; ++e) EXPECT_EQ(g(m.numbering.free_count + e), slope[e]) << e;
}

TEST_P(objective_law, gradient_agrees_with_finite_differences) {
    const dorvan::model m = started_model(small_sheet(GetParam()));
    const double h = 1e-6;
    for (std::uint64_t seed : {21u, 22u}) {
        terms::real_vector x = random_state(m, seed);
        terms::real_vector g(1, m.numbering.unknown_count), scratch(1, m.numbering.unknown_count);
        evaluate(m, x, g);
        for (std::int32_t k = 1; k <= m.numbering.unknown_count; ++k) {
            const double keep = x(k);
            x(k) = keep + h;
            const double up = evaluate(m, x, scratch);
            x(k) = keep - h;
            const double down = evaluate(m, x, scratch);
            x(k) = keep;
            double slope = (up - down) / (2.0 * h);
            if (k > m.numbering.free_count)
                slope /= 2.0 * m.problem.thickness * keep;  // the scaled thickness entry
            EXPECT_NEAR(g(k), slope, 1e-6 * std::max(1.0, std::fabs(slope)))
                << "seed " << seed << " unknown " << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(laws, objective_law, ::testing::Values(neo, mooney), [](const auto& info) {
    return info.param.material == 1 ? "neo_hookean" : "mooney_rivlin";
});

}  // namespace
