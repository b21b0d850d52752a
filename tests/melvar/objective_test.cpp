// The starting state and the total potential energy of the incompressible sheet: unknowns for
// the free components only, the value and gradient at the undeformed start, and the whole
// gradient against central differences.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "melvar/kinematics.hpp"
#include "melvar/program.hpp"
#include "melvar/sheet_models.hpp"
#include "support/objectives.hpp"

namespace {

using namespace melvar_testing;

// A 2 x 1 grid of four triangles: node 1 clamped, nodes 2 and 4 held in Z, node 3 given a
// prescribed stretch in X; loads on free components and one on a prescribed component.
melvar::model small_sheet() {
    melvar::model m;
    m.problem.thickness = 0.3;
    mooney_rivlin(m, 0.4, 0.15);
    m.problem.settings.tolerance_factor = 0.01;
    m.problem.settings.reference_force = 0.0;
    make_grid(m, 2, 1, 1.0, 0.8);
    prescribe(m, 1, 1, 0.0);
    prescribe(m, 1, 2, 0.0);
    prescribe(m, 1, 3, 0.0);
    prescribe(m, 2, 3, 0.0);
    prescribe(m, 4, 3, 0.0);
    prescribe(m, 3, 1, 0.2);
    m.problem.loads(6, 1) = 0.05;
    m.problem.loads(5, 2) = -0.02;
    m.problem.loads(6, 3) = 0.01;
    m.problem.loads(1, 1) = 7.0;  // on a prescribed component: no work
    return m;
}

TEST(melvar_start, numbers_only_the_free_components) {
    melvar::model m = small_sheet();
    melvar::program::start(m);
    ASSERT_EQ(m.numbering.free_count, 18 - 6);
    EXPECT_EQ(m.unknowns.x.first(), 1);
    EXPECT_EQ(m.unknowns.x.last(), m.numbering.free_count);
    EXPECT_EQ(m.unknowns.gradient.first(), 1);
    EXPECT_EQ(m.unknowns.gradient.last(), m.numbering.free_count);
    for (std::int32_t k = 1; k <= m.numbering.free_count; ++k) EXPECT_EQ(m.unknowns.x(k), 0.0);
    // Free components 1..free_count, prescribed ones free_count + 1 upwards, in node and
    // direction order.
    std::int32_t next_free = 0, next_prescribed = m.numbering.free_count;
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i) {
        for (std::int32_t j = 1; j <= 3; ++j) {
            const bool fixed = (i == 1) || (j == 3 && (i == 2 || i == 4)) || (i == 3 && j == 1);
            EXPECT_EQ(m.numbering.dof_map(i, j), fixed ? ++next_prescribed : ++next_free)
                << i << "," << j;
        }
    }
    EXPECT_EQ(next_prescribed, 18);
}

TEST(melvar_start, all_nine_prescribed_leaves_no_unknowns) {
    melvar::model m;
    m.problem.thickness = 0.5;
    neo_hookean(m, 1.0);
    m.problem.settings.tolerance_factor = 0.001;
    m.problem.settings.reference_force = 0.0;
    make_grid(m, 1, 1, 1.0, 1.0);
    m.problem.mesh.elements = terms::array1<sheet::triangle>(1, 1);
    m.problem.mesh.elements(1).node[0] = 1;
    m.problem.mesh.elements(1).node[1] = 2;
    m.problem.mesh.elements(1).node[2] = 3;
    m.problem.mesh.node_count = 3;
    m.problem.supports.held = terms::flag_matrix(1, 3, 1, 3);
    m.problem.supports.prescribed = terms::real_matrix(1, 3, 1, 3);
    m.problem.loads = terms::real_matrix(1, 3, 1, 3);
    for (std::int32_t i = 1; i <= 3; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) prescribe(m, i, j, 0.0);
    melvar::program::start(m);
    EXPECT_EQ(m.numbering.free_count, 0);
    EXPECT_EQ(m.unknowns.x.size(), 0u);
    EXPECT_EQ(m.unknowns.gradient.size(), 0u);
    std::int32_t expected = 0;
    for (std::int32_t i = 1; i <= 3; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) EXPECT_EQ(m.numbering.dof_map(i, j), ++expected);
    // Nothing to measure: the relative tolerance of an empty gradient is 0.
    EXPECT_EQ(m.results.tolerance, 0.0);
}

// At the start the energy is the undeformed strain energy of every element (no displacement of
// a free component, so no work) and the gradient is the negated loads; the relative tolerance
// follows from the largest of them.
TEST(melvar_objective, starting_point_has_the_offset_energy_and_the_negated_loads) {
    melvar::model m = small_sheet();
    // Without the prescribed stretch the elements exert no forces at the start.
    m.problem.supports.prescribed(3, 1) = 0.0;
    melvar::program::start(m);
    double expected = 0.0;
    const auto& law = std::get<melvar::mooney_rivlin>(m.law);
    const double w0 = 3.0 * law.c10 + 3.0 * law.c01;
    for (std::int32_t e = m.problem.mesh.elements.first(); e <= m.problem.mesh.elements.last(); ++e)
        expected += w0 * m.geometry(e).area2 * m.problem.thickness / 2.0;
    EXPECT_NEAR(m.results.energy, expected, 1e-14);
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i) {
        for (std::int32_t j = 1; j <= 3; ++j) {
            const std::int32_t k = m.numbering.dof_map(i, j);
            if (k <= m.numbering.free_count) {
                EXPECT_NEAR(m.unknowns.gradient(k), -m.problem.loads(i, j), 1e-15);
            }
        }
    }
    EXPECT_NEAR(m.results.tolerance, 0.05 * 0.01, 1e-17);
}

TEST(melvar_objective, writes_every_entry_and_ignores_loads_on_prescribed_components) {
    melvar::model m = small_sheet();
    melvar::program::start(m);
    terms::real_vector g(1, m.numbering.free_count);
    for (std::int32_t k = 1; k <= m.numbering.free_count; ++k) g(k) = 1.0e30;
    const double f = testing_support::melvar_objective(m, m.numbering.free_count, m.unknowns.x, g);
    for (std::int32_t k = 1; k <= m.numbering.free_count; ++k)
        EXPECT_LT(std::fabs(g(k)), 1.0e3) << k;
    m.problem.loads(1, 1) = -123.0;
    terms::real_vector again(1, m.numbering.free_count);
    EXPECT_EQ(testing_support::melvar_objective(m, m.numbering.free_count, m.unknowns.x, again), f);
    for (std::int32_t k = 1; k <= m.numbering.free_count; ++k) EXPECT_EQ(again(k), g(k));
}

// The whole gradient at random deformed states against central differences of the energy,
// and the energy against the sum of the element energies less the work of the loads.
TEST(melvar_objective, gradient_is_the_derivative_of_the_total_potential_energy) {
    for (const int law : {1, 2, 3}) {
        melvar::model m = small_sheet();
        if (law == 1) neo_hookean(m, 1.1);
        if (law == 3) arruda_boyce(m, 0.8, 2.2);
        melvar::program::start(m);
        std::mt19937 pick(7 + law);
        std::uniform_real_distribution<double> shift(-0.15, 0.15);
        for (std::int32_t k = 1; k <= m.numbering.free_count; ++k) m.unknowns.x(k) = shift(pick);

        terms::real_vector g(1, m.numbering.free_count), scratch(1, m.numbering.free_count);
        const double f =
            testing_support::melvar_objective(m, m.numbering.free_count, m.unknowns.x, g);

        double expected = 0.0;
        sheet::element_forces forces;
        for (std::int32_t e = m.problem.mesh.elements.first(); e <= m.problem.mesh.elements.last();
             ++e)
            expected +=
                sheet::element_at<melvar::kinematics>(m, e, m.unknowns.x, forces).strain_energy;
        for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i)
            for (std::int32_t j = 1; j <= 3; ++j)
                if (m.numbering.dof_map(i, j) <= m.numbering.free_count)
                    expected -= m.problem.loads(i, j) * m.unknowns.x(m.numbering.dof_map(i, j));
        EXPECT_NEAR(f, expected, 1e-13) << "law " << law;

        const double h = 1e-6;
        for (std::int32_t k = 1; k <= m.numbering.free_count; ++k) {
            terms::real_vector plus(1, m.numbering.free_count), minus(1, m.numbering.free_count);
            for (std::int32_t c = 1; c <= m.numbering.free_count; ++c)
                plus(c) = minus(c) = m.unknowns.x(c);
            plus(k) += h;
            minus(k) -= h;
            const double slope =
                (testing_support::melvar_objective(m, m.numbering.free_count, plus, scratch) -
                 testing_support::melvar_objective(m, m.numbering.free_count, minus, scratch)) /
                (2.0 * h);
            EXPECT_NEAR(g(k), slope, 1e-7 * (1.0 + std::fabs(slope)))
                << "law " << law << " k " << k;
        }
    }
}

}  // namespace
