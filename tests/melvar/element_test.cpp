// The incompressible triangle: undeformed and equal-biaxial values, nodal forces against
// central differences of the strain energy for the three laws, and the invariance under a rigid
// rotation.
#include <gtest/gtest.h>

#include "support/laws.hpp"

#include <cmath>
#include <random>
#include <string>

#include "melvar/kinematics.hpp"
#include "melvar/program.hpp"
#include "melvar/sheet_models.hpp"

namespace {

using namespace melvar_testing;

using state = double[3][3];

// One triangle, tilted out of the X-Y plane, every component free: x(3 (i - 1) + j) is the
// displacement of node i in direction j.
melvar::model tilted_triangle(int law) {
    melvar::model m;
    m.problem.thickness = 0.7;
    if (law == 1) neo_hookean(m, 1.3);
    if (law == 2) mooney_rivlin(m, 0.4, 0.15);
    if (law == 3) arruda_boyce(m, 0.9, 1.8);
    m.problem.settings.reference_force = 1.0;
    m.problem.settings.tolerance_factor = 0.001;
    m.problem.mesh.node_count = 3;
    m.problem.mesh.node_x = terms::real_vector(1, 3);
    m.problem.mesh.node_y = terms::real_vector(1, 3);
    m.problem.mesh.node_z = terms::real_vector(1, 3);
    const double p[3][3] = {{0.1, -0.2, 0.3}, {1.3, 0.1, -0.2}, {0.4, 1.1, 0.5}};
    for (std::int32_t i = 1; i <= 3; ++i) {
        m.problem.mesh.node_x(i) = p[i - 1][0];
        m.problem.mesh.node_y(i) = p[i - 1][1];
        m.problem.mesh.node_z(i) = p[i - 1][2];
    }
    m.problem.mesh.elements = terms::array1<sheet::triangle>(1, 1);
    m.problem.mesh.elements(1).node[0] = 1;
    m.problem.mesh.elements(1).node[1] = 2;
    m.problem.mesh.elements(1).node[2] = 3;
    m.problem.supports.held = terms::flag_matrix(1, 3, 1, 3);
    m.problem.supports.prescribed = terms::real_matrix(1, 3, 1, 3);
    m.problem.loads = terms::real_matrix(1, 3, 1, 3);
    melvar::program::start(m);
    return m;
}

melvar::element_result evaluate(const melvar::model& m, const state& u,
                                sheet::element_forces& forces) {
    return testing_support::melvar_element(m, m.geometry(1), u, forces);
}

double energy_at(const melvar::model& m, const state& u) {
    sheet::element_forces forces;
    return evaluate(m, u, forces).strain_energy;
}

class every_law : public ::testing::TestWithParam<int> {};

TEST_P(every_law, undeformed_element_is_unstressed_with_its_offset_energy) {
    const melvar::model m = tilted_triangle(GetParam());
    const state zero = {};
    sheet::element_forces forces;
    const melvar::element_result r = evaluate(m, zero, forces);
    EXPECT_NEAR(r.stretch3, 1.0, 1e-15);
    EXPECT_NEAR(r.i1, 3.0, 1e-14);
    EXPECT_NEAR(r.trace_c2, 3.0, 1e-14);
    for (int l = 0; l < 3; ++l)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(forces.row[l][j], 0.0, 1e-14) << l << j;

    double w0 = 0.0, w1 = 0.0;
    if (const auto* neo = std::get_if<melvar::neo_hookean>(&m.law)) {
        w0 = 1.5 * neo->shear;
        w1 = 0.5 * neo->shear;
        EXPECT_EQ(r.w2, 0.0);
    } else if (const auto* mooney = std::get_if<melvar::mooney_rivlin>(&m.law)) {
        w0 = 3.0 * mooney->c10 + 3.0 * mooney->c01;
        w1 = mooney->c10 + 3.0 * mooney->c01;
        EXPECT_DOUBLE_EQ(r.w2, -0.5 * mooney->c01);
    } else {
        const auto& boyce = std::get<melvar::arruda_boyce>(m.law);
        const double* c = boyce.coefficient;
        const double mu = boyce.shear;
        w0 = mu * (c[0] * 3 + c[1] * 9 + c[2] * 27 + c[3] * 81 + c[4] * 243);
        w1 = mu * (c[0] + 2 * c[1] * 3 + 3 * c[2] * 9 + 4 * c[3] * 27 + 5 * c[4] * 81);
        EXPECT_EQ(r.w2, 0.0);
    }
    const sheet::element_geometry& e = m.geometry(1);
    EXPECT_NEAR(r.strain_energy, w0 * e.area2 * m.problem.thickness / 2.0, 1e-13);
    EXPECT_NEAR(r.w1, w1, 1e-14);
}

// In the X-Y plane an equal-biaxial stretch lambda of the element about its first corner.
TEST_P(every_law, equal_biaxial_stretch_gives_the_thinning_and_invariants) {
    melvar::model m = tilted_triangle(GetParam());
    const double p[3][2] = {{0.0, 0.0}, {1.2, 0.0}, {0.3, 0.9}};
    for (std::int32_t i = 1; i <= 3; ++i) {
        m.problem.mesh.node_x(i) = p[i - 1][0];
        m.problem.mesh.node_y(i) = p[i - 1][1];
        m.problem.mesh.node_z(i) = 0.0;
    }
    m.problem.supports.held = terms::flag_matrix(1, 3, 1, 3);
    melvar::program::start(m);
    for (const double lambda : {0.8, 1.0, 1.25, 2.0}) {
        state u = {};
        for (int l = 0; l < 3; ++l) {
            u[l][0] = (lambda - 1.0) * p[l][0];
            u[l][1] = (lambda - 1.0) * p[l][1];
        }
        sheet::element_forces forces;
        const melvar::element_result r = evaluate(m, u, forces);
        const double l2 = lambda * lambda;
        EXPECT_NEAR(r.stretch3, 1.0 / l2, 1e-14) << lambda;
        EXPECT_NEAR(r.i1, 2.0 * l2 + 1.0 / (l2 * l2), 1e-13) << lambda;
        EXPECT_NEAR(r.trace_c2, 2.0 * l2 * l2 + 1.0 / (l2 * l2 * l2 * l2), 1e-12) << lambda;
        // The stretched sheet stays flat: no force out of its plane.
        for (int l = 0; l < 3; ++l) EXPECT_EQ(forces.row[l][2], 0.0);
    }
}

// Central differences with step 1e-6 of the strain energy against every force entry, at
// random deformed states that move the nodes out of the element's plane as well.
TEST_P(every_law, forces_are_the_derivatives_of_the_strain_energy) {
    const melvar::model m = tilted_triangle(GetParam());
    std::mt19937 pick(20240 + GetParam());
    std::uniform_real_distribution<double> shift(-0.25, 0.25);
    const double h = 1e-6;
    for (int trial = 0; trial < 6; ++trial) {
        state u;
        for (auto& node : u)
            for (double& component : node) component = shift(pick);
        sheet::element_forces forces;
        evaluate(m, u, forces);
        for (int l = 0; l < 3; ++l) {
            for (int j = 0; j < 3; ++j) {
                state plus, minus;
                for (int a = 0; a < 3; ++a)
                    for (int b = 0; b < 3; ++b) plus[a][b] = minus[a][b] = u[a][b];
                plus[l][j] += h;
                minus[l][j] -= h;
                const double slope = (energy_at(m, plus) - energy_at(m, minus)) / (2.0 * h);
                EXPECT_NEAR(forces.row[l][j], slope, 1e-6 * (1.0 + std::fabs(slope)))
                    << "trial " << trial << " node " << l + 1 << " direction " << j + 1;
            }
        }
        // Translation invariance: the third row balances the other two.
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(forces.row[2][j], -(forces.row[0][j] + forces.row[1][j]));
    }
}

// A rigid rotation of the deformed element leaves every field unchanged and rotates the forces.
TEST_P(every_law, rigid_rotation_rotates_the_forces_only) {
    const melvar::model m = tilted_triangle(GetParam());
    const state u = {{0.05, -0.1, 0.2}, {0.3, 0.02, -0.1}, {-0.04, 0.15, 0.07}};
    // Rotation about the axis (1, 2, 2)/3 by 0.7 rad (Rodrigues).
    const double k[3] = {1.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0};
    const double c = std::cos(0.7), s = std::sin(0.7);
    double rot[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) rot[i][j] = (i == j ? c : 0.0) + (1.0 - c) * k[i] * k[j];
    rot[0][1] -= s * k[2];
    rot[1][0] += s * k[2];
    rot[0][2] += s * k[1];
    rot[2][0] -= s * k[1];
    rot[1][2] -= s * k[0];
    rot[2][1] += s * k[0];

    state turned;
    for (std::int32_t i = 1; i <= 3; ++i) {
        const double p[3] = {m.problem.mesh.node_x(i), m.problem.mesh.node_y(i),
                             m.problem.mesh.node_z(i)};
        double current[3];
        for (int j = 0; j < 3; ++j) current[j] = p[j] + u[i - 1][j];
        for (int j = 0; j < 3; ++j) {
            double moved = 0.0;
            for (int a = 0; a < 3; ++a) moved += rot[j][a] * current[a];
            turned[i - 1][j] = moved - p[j];
        }
    }
    sheet::element_forces before, after;
    const melvar::element_result r0 = evaluate(m, u, before);
    const melvar::element_result r1 = evaluate(m, turned, after);
    EXPECT_NEAR(r1.strain_energy, r0.strain_energy, 1e-13);
    EXPECT_NEAR(r1.stretch3, r0.stretch3, 1e-13);
    EXPECT_NEAR(r1.i1, r0.i1, 1e-13);
    EXPECT_NEAR(r1.trace_c2, r0.trace_c2, 1e-12);
    EXPECT_NEAR(r1.w1, r0.w1, 1e-13);
    EXPECT_NEAR(r1.w2, r0.w2, 1e-13);
    for (int l = 0; l < 3; ++l) {
        for (int j = 0; j < 3; ++j) {
            double expected = 0.0;
            for (int a = 0; a < 3; ++a) expected += rot[j][a] * before.row[l][a];
            EXPECT_NEAR(after.row[l][j], expected, 1e-12) << l << j;
        }
    }
}

// element2 gathers free components from x and prescribed ones from the model, whatever the
// entry of x that a prescribed component's number would name.
TEST_P(every_law, element2_takes_prescribed_components_from_the_model) {
    melvar::model m = tilted_triangle(GetParam());
    const state u = {{0.05, -0.1, 0.2}, {0.3, 0.02, -0.1}, {-0.04, 0.15, 0.07}};
    m.problem.supports.held = terms::flag_matrix(1, 3, 1, 3);
    prescribe(m, 1, 2, u[0][1]);
    prescribe(m, 3, 3, u[2][2]);
    melvar::program::start(m);
    ASSERT_EQ(m.numbering.free_count, 7);
    ASSERT_EQ(m.unknowns.x.size(), 7u);
    for (std::int32_t i = 1; i <= 3; ++i)
        for (std::int32_t j = 1; j <= 3; ++j)
            if (m.numbering.dof_map(i, j) <= m.numbering.free_count)
                m.unknowns.x(m.numbering.dof_map(i, j)) = u[i - 1][j - 1];
    sheet::element_forces gathered, direct;
    const melvar::element_result a =
        sheet::element_at<melvar::kinematics>(m, 1, m.unknowns.x, gathered);
    const melvar::element_result b = evaluate(m, u, direct);
    EXPECT_EQ(a.strain_energy, b.strain_energy);
    EXPECT_EQ(a.stretch3, b.stretch3);
    EXPECT_EQ(a.i1, b.i1);
    for (int l = 0; l < 3; ++l)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(gathered.row[l][j], direct.row[l][j]);
}

std::string law_name(const ::testing::TestParamInfo<int>& info) {
    return info.param == 1 ? "neo_hookean" : info.param == 2 ? "mooney_rivlin" : "arruda_boyce";
}

INSTANTIATE_TEST_SUITE_P(laws, every_law, ::testing::Values(1, 2, 3), law_name);

}  // namespace
