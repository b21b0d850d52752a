// One compressible triangle: the undeformed state, invariance under rigid motions, nodal forces
// and thickness slope against finite differences of the strain energy, and how the element
// gathers its displacements and thickness variable.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "dorvan/kinematics.hpp"
#include "dorvan/model_text.hpp"
#include "dorvan/plane_stress.hpp"

namespace {

using namespace dorvan_tests;

using displacements = std::array<std::array<double, 3>, 3>;  // [corner][direction]

// A triangle with edges near 1 standing askew in space, every component free.
const double corner[3][3] = {{0.1, -0.2, 0.3}, {1.05, 0.1, 0.2}, {0.2, 0.9, -0.1}};

problem triangle(const compressible_law& law) {
    problem p;
    p.material = {law.material, law.input_constants()};
    p.thickness = 0.5;
    for (int l = 0; l < 3; ++l)
        p.nodes.push_back({l + 1, corner[l][0], corner[l][1], corner[l][2]});
    p.elements.push_back({1, 1, 2, 3});
    return p;
}

const compressible_law neo = compressible_law::neo_hookean(1.0, 4.0);
const compressible_law mooney = compressible_law::mooney_rivlin(0.4, 0.1, 5.0);

// x for displacements u of nodes 1..3 and thickness variable s of element 1.
terms::real_vector unknowns(const dorvan::model& m, const displacements& u, double s) {
    terms::real_vector x(1, m.numbering.unknown_count);
    for (std::int32_t i = 1; i <= 3; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) {
            const std::int32_t k = m.numbering.dof_map(i, j);
            if (k <= m.numbering.free_count) x(k) = u[i - 1][j - 1];
        }
    x(m.numbering.free_count + 1) = s;
    return x;
}

displacements random_displacements(random_reals& pick, double size) {
    displacements u{};
    for (auto& node : u)
        for (double& c : node) c = pick(-size, size);
    return u;
}

struct evaluation {
    dorvan::element_result r;
    sheet::element_forces f;
};

evaluation evaluate(const dorvan::model& m, const displacements& u, double s) {
    evaluation out{};
    out.r = sheet::element_at<dorvan::kinematics>(m, 1, unknowns(m, u, s), out.f);
    return out;
}

std::array<double, 8> fields(const dorvan::element_result& r) {
    return {r.strain_energy, r.thickness_slope, r.i1, r.trace_c2, r.i3, r.w1, r.w2, r.w3};
}

const char* const field_names[8] = {
    "strain_energy", "thickness_slope", "i1", "trace_c2", "i3", "w1", "w2", "w3"};

class element_law : public ::testing::TestWithParam<compressible_law> {};

TEST_P(element_law, undeformed_state_has_the_offset_energy_and_no_forces) {
    const compressible_law law = GetParam();
    const dorvan::model m = started_model(triangle(law));
    const evaluation at = evaluate(m, displacements{}, 1.0);
    const double a2 = m.geometry(1).area2;

    EXPECT_NEAR(at.r.i1, 3.0, 1e-14);
    EXPECT_NEAR(at.r.trace_c2, 3.0, 1e-14);
    EXPECT_NEAR(at.r.i3, 1.0, 1e-14);
    double w0 = 0.0;
    if (law.material == 1) {
        const double mu = 2.0 * law.c10;
        w0 = 0.5 * (3.0 * mu - law.kappa);
        EXPECT_NEAR(at.r.w1, 0.5 * mu, 1e-14);
        EXPECT_EQ(at.r.w2, 0.0);
        EXPECT_NEAR(at.r.w3, -0.5 * mu, 1e-14);
    } else {
        w0 = 3.0 * law.c10 + 3.0 * law.c01 - 0.5 * law.kappa;
        // At C = I: dW/di1 = c10 + 3 c01, dW/dtrace_c2 = -c01 / 2, dW/di3 = -(c10 + 2 c01).
        EXPECT_NEAR(at.r.w1, law.c10 + 3.0 * law.c01, 1e-14);
        EXPECT_NEAR(at.r.w2, -0.5 * law.c01, 1e-14);
        EXPECT_NEAR(at.r.w3, -(law.c10 + 2.0 * law.c01), 1e-14);
    }
    EXPECT_NEAR(w0, energy_density(law, {1.0, 1.0, 1.0}), 1e-15);
    EXPECT_NEAR(at.r.strain_energy, w0 * a2 * m.problem.thickness / 2.0, 1e-14);
    for (int l = 0; l < 3; ++l)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(at.f.row[l][j], 0.0, 1e-15) << l << "," << j;
    EXPECT_NEAR(at.r.thickness_slope, 0.0, 1e-15);
}

// Rodrigues' rotation by angle about the unit axis.
std::array<std::array<double, 3>, 3> rotation(std::array<double, 3> axis, double angle) {
    const double n = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    for (double& c : axis) c /= n;
    const double c = std::cos(angle), s = std::sin(angle), t = 1.0 - c;
    const double x = axis[0], y = axis[1], z = axis[2];
    return {{{t * x * x + c, t * x * y - s * z, t * x * z + s * y},
             {t * x * y + s * z, t * y * y + c, t * y * z - s * x},
             {t * x * z - s * y, t * y * z + s * x, t * z * z + c}}};
}

TEST_P(element_law, rigid_motion_keeps_the_state_and_rotates_the_forces) {
    const compressible_law law = GetParam();
    const dorvan::model m = started_model(triangle(law));
    random_reals pick(11);
    for (int trial = 0; trial < 4; ++trial) {
        const displacements u = random_displacements(pick, 0.25);
        const double s = pick(0.85, 1.15);
        const auto r = rotation({pick(-1, 1), pick(-1, 1), pick(-1, 1)}, pick(0.3, 3.0));
        const double shift[3] = {pick(-2, 2), pick(-2, 2), pick(-2, 2)};
        // Moved corner: R (P + u) + shift, as a displacement from P.
        displacements moved{};
        for (int l = 0; l < 3; ++l)
            for (int i = 0; i < 3; ++i) {
                double position = shift[i];
                for (int j = 0; j < 3; ++j) position += r[i][j] * (corner[l][j] + u[l][j]);
                moved[l][i] = position - corner[l][i];
            }
        const evaluation before = evaluate(m, u, s);
        const evaluation after = evaluate(m, moved, s);

        const auto a = fields(before.r), b = fields(after.r);
        double force_scale = 0.0;
        for (const auto& row : before.f.row)
            for (const double f : row) force_scale = std::max(force_scale, std::fabs(f));
        for (int k = 0; k < 8; ++k) {
            const double scale = k == 1 ? force_scale + std::fabs(a[k]) : std::fabs(a[k]);
            EXPECT_NEAR(b[k], a[k], 1e-12 * std::max(scale, 1e-3)) << field_names[k];
        }
        for (int l = 0; l < 3; ++l)
            for (int i = 0; i < 3; ++i) {
                double rotated = 0.0;
                for (int j = 0; j < 3; ++j) rotated += r[i][j] * before.f.row[l][j];
                EXPECT_NEAR(after.f.row[l][i], rotated, 1e-12 * force_scale) << l << "," << i;
            }
    }
}

TEST_P(element_law, forces_and_thickness_slope_are_derivatives_of_the_energy) {
    const compressible_law law = GetParam();
    const dorvan::model m = started_model(triangle(law));
    const double t0 = m.problem.thickness;
    const double h = 1e-6;
    random_reals pick(law.material * 101);
    for (int trial = 0; trial < 5; ++trial) {
        const displacements u = random_displacements(pick, 0.1 + 0.05 * trial);
        const double s = pick(0.9, 1.1);
        const evaluation at = evaluate(m, u, s);
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j) {
                displacements up = u, down = u;
                up[l][j] += h;
                down[l][j] -= h;
                const double slope =
                    (evaluate(m, up, s).r.strain_energy - evaluate(m, down, s).r.strain_energy) /
                    (2.0 * h);
                EXPECT_NEAR(at.f.row[l][j], slope, 1e-6 * std::max(1.0, std::fabs(slope)))
                    << "trial " << trial << " node " << l + 1 << " direction " << j + 1;
            }
        // The thickness entry is dE/ds scaled down by 2 t0 s.
        const double by_s =
            (evaluate(m, u, s + h).r.strain_energy - evaluate(m, u, s - h).r.strain_energy) /
            (2.0 * h);
        EXPECT_NEAR(at.r.thickness_slope, by_s / (2.0 * t0 * s),
                    1e-6 * std::max(1.0, std::fabs(by_s)))
            << "trial " << trial;
        // Row N3 balances the other two.
        for (int j = 0; j < 3; ++j) EXPECT_EQ(at.f.row[2][j], -(at.f.row[0][j] + at.f.row[1][j]));
    }
}

TEST_P(element_law, invariants_and_energy_follow_from_the_edge_metrics) {
    const compressible_law law = GetParam();
    const dorvan::model m = started_model(triangle(law));
    random_reals pick(law.material * 31);
    for (int trial = 0; trial < 5; ++trial) {
        const displacements u = random_displacements(pick, 0.25);
        const double s = pick(0.85, 1.15);
        const evaluation at = evaluate(m, u, s);
        // Gram matrices of the edges N1-N2 and N1-N3, initial and current: the in-plane C has
        // trace tr(G0^-1 G) and determinant det G / det G0.
        double e0[2][3], e[2][3];
        for (int c = 0; c < 3; ++c) {
            e0[0][c] = corner[1][c] - corner[0][c];
            e0[1][c] = corner[2][c] - corner[0][c];
            e[0][c] = e0[0][c] + u[1][c] - u[0][c];
            e[1][c] = e0[1][c] + u[2][c] - u[0][c];
        }
        double g0[2][2] = {}, g[2][2] = {};
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                for (int c = 0; c < 3; ++c) {
                    g0[i][j] += e0[i][c] * e0[j][c];
                    g[i][j] += e[i][c] * e[j][c];
                }
        const double det0 = g0[0][0] * g0[1][1] - g0[0][1] * g0[1][0];
        const double trace =
            (g0[1][1] * g[0][0] - g0[0][1] * g[1][0] - g0[1][0] * g[0][1] + g0[0][0] * g[1][1]) /
            det0;
        const double det = (g[0][0] * g[1][1] - g[0][1] * g[1][0]) / det0;
        const double c33 = s * s * s * s;
        EXPECT_NEAR(at.r.i1, trace + c33, 1e-13);
        EXPECT_NEAR(at.r.trace_c2, trace * trace - 2.0 * det + c33 * c33, 1e-12);
        EXPECT_NEAR(at.r.i3, det * c33, 1e-13);
        // Principal in-plane stretches, then the textbook energy per unit initial volume.
        const double root = std::sqrt(trace * trace / 4.0 - det);
        const stretches l = {std::sqrt(trace / 2.0 + root), std::sqrt(trace / 2.0 - root), s * s};
        const double volume = m.geometry(1).area2 * m.problem.thickness / 2.0;
        EXPECT_NEAR(at.r.strain_energy, energy_density(law, l) * volume, 1e-12);
        // The material derivatives give the slopes dW/dc_k of the same energy.
        const std::array<double, 3> slope = energy_slopes(law, l);
        for (int k = 0; k < 3; ++k) {
            const double ck = l[k] * l[k];
            EXPECT_NEAR(at.r.w1 + 2.0 * at.r.w2 * ck + at.r.w3 * at.r.i3 / ck, slope[k], 1e-12)
                << "principal direction " << k + 1;
        }
    }
}

TEST_P(element_law, thickness_variable_enters_by_its_square) {
    const compressible_law law = GetParam();
    const dorvan::model m = started_model(triangle(law));
    random_reals pick(7);
    const displacements u = random_displacements(pick, 0.2);
    const evaluation plus = evaluate(m, u, 0.93);
    const evaluation minus = evaluate(m, u, -0.93);
    const auto a = fields(plus.r), b = fields(minus.r);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(a[k], b[k]) << field_names[k];
    for (int l = 0; l < 3; ++l)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(plus.f.row[l][j], minus.f.row[l][j]);
}

TEST_P(element_law, prescribed_components_come_from_the_prescribed_values) {
    const compressible_law law = GetParam();
    const dorvan::model all_free = started_model(triangle(law));
    random_reals pick(5);
    const displacements u = random_displacements(pick, 0.2);

    // Node 2 fixed in all directions and node 3 in Y, at the same displacements.
    problem p = triangle(law);
    for (int j = 1; j <= 3; ++j) p.prescribed.push_back({2, j, u[1][j - 1]});
    p.prescribed.push_back({3, 2, u[2][1]});
    const dorvan::model supported = started_model(p);
    ASSERT_EQ(supported.numbering.free_count, 5);

    // x of the supported model holds nothing but the free components; fill the slots the
    // prescribed ones would take in the free model with rubbish to show they are not read.
    displacements garbage = u;
    garbage[1] = {9.0, -9.0, 9.0};
    garbage[2][1] = 7.0;
    const evaluation expected = evaluate(all_free, u, 1.04);
    const evaluation got = evaluate(supported, garbage, 1.04);
    const auto a = fields(expected.r), b = fields(got.r);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(b[k], a[k]) << field_names[k];
    for (int l = 0; l < 3; ++l)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(got.f.row[l][j], expected.f.row[l][j]);
}

INSTANTIATE_TEST_SUITE_P(laws, element_law, ::testing::Values(neo, mooney), [](const auto& info) {
    return info.param.material == 1 ? "neo_hookean" : "mooney_rivlin";
});

}  // namespace
