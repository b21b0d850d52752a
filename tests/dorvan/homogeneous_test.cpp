// Sheets whose exact equilibrium is a homogeneous deformation, solved as a run solves them and
// compared with the closed-form plane-stress state of each law: a strip in uniaxial tension
// under consistent end loads, and a square stretched by prescribing its whole in-plane field.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "dorvan/kinematics.hpp"
#include "dorvan/model_text.hpp"
#include "dorvan/plane_stress.hpp"
#include "dorvan/program.hpp"
#include "dorvan/report_text.hpp"
#include "nlp/minimiser.hpp"
#include "sheet/run/minimise.hpp"
#include "support/objectives.hpp"
#include "support/program_run.hpp"

namespace {

using namespace dorvan_tests;
using namespace testing_support;

const compressible_law neo = compressible_law::neo_hookean(1.0, 4.0);
const compressible_law mooney = compressible_law::mooney_rivlin(0.4, 0.1, 5.0);

// Tight absolute tolerance: 1e-10 on every gradient entry.
const solver_settings tight = {0.9, 20, 1.0E-10, 1.0, 5000, 7};

nlp::minimiser_result minimise(dorvan::model& m) {
    auto objective = [&m](std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
        return testing_support::dorvan_objective(m, n, x, g);
    };
    nlp::minimiser<decltype(objective)> minimiser(objective);
    return minimiser.lbfgs(sheet::lbfgs_settings_of(m), m.numbering.unknown_count, m.unknowns.x,
                           m.unknowns.gradient);
}

// Sum of the element forces at every component: at a prescribed one, its support reaction.
std::vector<std::array<double, 3>> nodal_forces(const dorvan::model& m) {
    std::vector<std::array<double, 3>> sum(m.problem.mesh.node_count + 1, {0.0, 0.0, 0.0});
    for (std::int32_t e = m.problem.mesh.elements.first(); e <= m.problem.mesh.elements.last();
         ++e) {
        sheet::element_forces forces;
        sheet::element_at<dorvan::kinematics>(m, e, m.unknowns.x, forces);
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j)
                sum[m.problem.mesh.elements(e).node[l]][j] += forces.row[l][j];
    }
    return sum;
}

// Principal Cauchy stress of element e along X and Y, from its material derivatives, for an
// element whose in-plane principal directions are X and Y with C = diag(l1^2, l2^2, .).
std::array<double, 2> element_stresses(const dorvan::element_result& r, double l1, double l2) {
    const double j = std::sqrt(r.i3);
    std::array<double, 2> sigma{};
    const double c[2] = {l1 * l1, l2 * l2};
    for (int k = 0; k < 2; ++k)
        sigma[k] = 2.0 / j * (r.w1 * c[k] + 2.0 * r.w2 * (c[k] * c[k]) + r.w3 * r.i3);
    return sigma;
}

bool near(double got, double exact, double relative = 1e-6) {
    return std::fabs(got - exact) <= relative * std::fabs(exact);
}

// ---- Strip in uniaxial tension ----------------------------------------------------------

const double strip_length = 4.0, strip_width = 1.0, strip_thickness = 0.5;
const int cells_x = 8, cells_y = 2;
const double end_force = 0.25;
std::int32_t strip_node(int i, int j) {
    return 1 + i + j * (cells_x + 1);
}

// Rollers on x = 0 (X fixed, Y fixed at the corner node 1), Z fixed everywhere; the end force
// split over the nodes of x = L by tributary length.
problem strip(const compressible_law& law) {
    problem p;
    p.settings = tight;
    p.thickness = strip_thickness;
    p.material = {law.material, law.input_constants()};
    rectangle_mesh(p, strip_length, strip_width, cells_x, cells_y);
    for (int j = 0; j <= cells_y; ++j) p.prescribed.push_back({strip_node(0, j), 1, 0.0});
    p.prescribed.push_back({strip_node(0, 0), 2, 0.0});
    for (const node_line& n : p.nodes) p.prescribed.push_back({n.number, 3, 0.0});
    for (int j = 0; j <= cells_y; ++j) {
        const bool corner = j == 0 || j == cells_y;
        p.loads.push_back(
            {strip_node(cells_x, j), 1, end_force / (corner ? 2 * cells_y : cells_y)});
    }
    return p;
}

class homogeneous : public ::testing::TestWithParam<compressible_law> {};

TEST_P(homogeneous, strip_under_end_loads_takes_the_uniaxial_plane_stress_state) {
    const compressible_law law = GetParam();
    const uniaxial_state exact = uniaxial_tension(law, end_force, strip_thickness, strip_width);
    const double l1 = exact.l[0], l2 = exact.l[1], l3 = exact.l[2];
    ASSERT_GT(l1, 1.1);  // a real stretch, not a linear one

    dorvan::model m = started_model(strip(law));
    const nlp::minimiser_result result = minimise(m);
    ASSERT_TRUE(result.optimal) << result.minor << " iterations";

    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i) {
        const double x = m.problem.mesh.node_x(i), y = m.problem.mesh.node_y(i);
        EXPECT_NEAR(sheet::displacement(m, i, 1), (l1 - 1.0) * x, 1e-6 * (l1 - 1.0) * strip_length)
            << "node " << i;
        EXPECT_NEAR(sheet::displacement(m, i, 2), (l2 - 1.0) * y, 1e-6 * (1.0 - l2) * strip_width)
            << "node " << i;
        EXPECT_EQ(sheet::displacement(m, i, 3), 0.0);
    }
    const stretches l = {l1, l2, l3};
    for (std::int32_t e = 1; e <= m.problem.mesh.elements.last(); ++e) {
        sheet::element_forces forces;
        const dorvan::element_result r =
            sheet::element_at<dorvan::kinematics>(m, e, m.unknowns.x, forces);
        const double s = m.unknowns.x(m.numbering.free_count + e);
        EXPECT_TRUE(near(s * s, l3)) << "element " << e << ": lambda3 " << s * s << " vs " << l3;
        EXPECT_TRUE(near(r.i1, l1 * l1 + l2 * l2 + l3 * l3)) << e;
        EXPECT_TRUE(near(r.trace_c2, std::pow(l1, 4) + std::pow(l2, 4) + std::pow(l3, 4))) << e;
        EXPECT_TRUE(near(r.i3, (l1 * l2 * l3) * (l1 * l2 * l3))) << e;
        EXPECT_TRUE(near(r.strain_energy,
                         energy_density(law, l) * m.geometry(e).area2 * strip_thickness / 2.0))
            << e;
        const std::array<double, 2> sigma = element_stresses(r, l1, l2);
        EXPECT_TRUE(near(sigma[0], exact.sigma1))
            << e << ": " << sigma[0] << " vs " << exact.sigma1;
        EXPECT_NEAR(sigma[1], 0.0, 1e-6 * exact.sigma1) << e;
    }
    // The rollers carry the end force back, node by node in the same shares.
    const auto forces = nodal_forces(m);
    for (int j = 0; j <= cells_y; ++j) {
        const bool corner = j == 0 || j == cells_y;
        EXPECT_TRUE(near(forces[strip_node(0, j)][0], -end_force / (corner ? 4.0 : 2.0)))
            << forces[strip_node(0, j)][0];
    }
    EXPECT_NEAR(forces[strip_node(0, 0)][1], 0.0, 1e-8);
}

TEST_P(homogeneous, strip_run_reports_the_uniaxial_state) {
    const compressible_law law = GetParam();
    const uniaxial_state exact = uniaxial_tension(law, end_force, strip_thickness, strip_width);
    const double l1 = exact.l[0], l2 = exact.l[1], l3 = exact.l[2];

    scratch_dir dir;
    const run_result run = run_with_input(dorvan_exe(), dir.path(), input_text(strip(law)));
    ASSERT_EQ(run.exit_status, 0) << run.err;
    EXPECT_NE(run.out.find("     Optimal\n"), std::string::npos) << run.out;
    const report_values report = parse_report(read_file(dir.path() / "output.txt"));

    EXPECT_EQ(report.tolerance, 1.0E-10);
    // Strain energy of the whole strip less the work of the end force.
    const double volume = strip_length * strip_width * strip_thickness;
    const double energy =
        energy_density(law, exact.l) * volume - end_force * (l1 - 1.0) * strip_length;
    EXPECT_TRUE(agrees(report.energy, energy, 8)) << report.energy << " vs " << energy;

    // Every node on the homogeneous field, the far corner included; the run stops at a gradient
    // of 1e-10, which leaves the displacements some 1e-9 off: compare to 1e-7 of the largest.
    ASSERT_EQ(report.displacement.size(), 27u);
    for (int j = 0; j <= cells_y; ++j)
        for (int i = 0; i <= cells_x; ++i) {
            const auto d = report.displacement.at(strip_node(i, j));
            const double along = (l1 - 1.0) * strip_length * i / cells_x;
            const double across = (l2 - 1.0) * strip_width * j / cells_y;
            EXPECT_TRUE(agrees(d[0], along, 8, 1e-7 * (l1 - 1.0) * strip_length)) << d[0] - along;
            EXPECT_TRUE(agrees(d[1], across, 8, 1e-7 * (1.0 - l2) * strip_width)) << d[1] - across;
            EXPECT_EQ(d[2], 0.0);
        }

    ASSERT_EQ(report.elements.size(), 32u);
    for (const element_line_values& e : report.elements) {
        EXPECT_TRUE(agrees(e.thickness, strip_thickness * l3, 6))
            << e.element << ": " << e.thickness;
        EXPECT_TRUE(agrees(e.sigma1, exact.sigma1, 6)) << e.element << ": " << e.sigma1;
        EXPECT_TRUE(agrees(e.sigma2, 0.0, 6, 1e-6 * exact.sigma1)) << e.element << ": " << e.sigma2;
    }
    EXPECT_TRUE(agrees(report.sigma_max, exact.sigma1, 6));
    EXPECT_TRUE(agrees(report.sigma_min, 0.0, 6, 1e-6 * exact.sigma1));

    // Reactions only at the rollers of x = 0, along X; the Y roller carries nothing but the
    // residue of the run, and no Z support carries anything in a flat sheet.
    ASSERT_EQ(report.reaction.size(), 3u);
    for (int j = 0; j <= cells_y; ++j) {
        const auto& line = report.reaction.at(strip_node(0, j));
        const bool corner = j == 0 || j == cells_y;
        ASSERT_TRUE(line[0].has_value());
        EXPECT_TRUE(agrees(*line[0], -end_force / (corner ? 4.0 : 2.0), 6)) << *line[0];
        if (line[1]) {
            EXPECT_LT(std::fabs(*line[1]), 1e-8);
        }
        EXPECT_FALSE(line[2].has_value());
    }
}

// ---- Square with its in-plane field prescribed ------------------------------------------

// A side x side square of n x n cells whose every node is moved to (l1 X, l2 Y, Z), leaving the
// thickness variables as the only unknowns.
problem stretched_square(const compressible_law& law, double side, int n, double l1, double l2) {
    problem p;
    p.settings = tight;
    p.thickness = 0.5;
    p.material = {law.material, law.input_constants()};
    rectangle_mesh(p, side, side, n, n);
    for (const node_line& node : p.nodes) {
        p.prescribed.push_back({node.number, 1, (l1 - 1.0) * node.x});
        p.prescribed.push_back({node.number, 2, (l2 - 1.0) * node.y});
        p.prescribed.push_back({node.number, 3, 0.0});
    }
    return p;
}

TEST_P(homogeneous, prescribed_biaxial_stretch_gives_the_plane_stress_thickness) {
    const compressible_law law = GetParam();
    const double side = 2.0, l1 = 1.25, l2 = 0.9;
    const double l3 = plane_stress_thickness(law, l1, l2);
    const std::array<double, 3> sigma = cauchy_stresses(law, {l1, l2, l3});
    ASSERT_NEAR(sigma[2], 0.0, 1e-12);

    dorvan::model m = started_model(stretched_square(law, side, 3, l1, l2));
    ASSERT_EQ(m.numbering.free_count, 0);
    ASSERT_EQ(m.numbering.unknown_count, 18);
    const nlp::minimiser_result result = minimise(m);
    ASSERT_TRUE(result.optimal);

    for (std::int32_t e = 1; e <= 18; ++e) {
        sheet::element_forces forces;
        const dorvan::element_result r =
            sheet::element_at<dorvan::kinematics>(m, e, m.unknowns.x, forces);
        const double s = m.unknowns.x(m.numbering.free_count + e);
        EXPECT_TRUE(near(s * s, l3)) << "element " << e << ": " << s * s << " vs " << l3;
        const std::array<double, 2> got = element_stresses(r, l1, l2);
        EXPECT_TRUE(near(got[0], sigma[0])) << e << ": " << got[0] << " vs " << sigma[0];
        EXPECT_TRUE(near(got[1], sigma[1])) << e << ": " << got[1] << " vs " << sigma[1];
    }
    // Along x = side the X reactions add up to the stress resultant over the current edge, and
    // along y = side the Y reactions likewise; each node takes its tributary share.
    const auto forces = nodal_forces(m);
    const double t = 0.5 * l3, h = side / 3.0;
    double x_edge = 0.0, y_edge = 0.0;
    for (int k = 0; k <= 3; ++k) {
        const std::int32_t right = 1 + 3 + 4 * k, top = 1 + k + 4 * 3;
        const double share = k == 0 || k == 3 ? 0.5 : 1.0;
        EXPECT_TRUE(near(forces[right][0], sigma[0] * t * (l2 * h) * share)) << right;
        EXPECT_TRUE(near(forces[top][1], sigma[1] * t * (l1 * h) * share)) << top;
        x_edge += forces[right][0];
        y_edge += forces[top][1];
    }
    EXPECT_TRUE(near(x_edge, sigma[0] * t * (side * l2)));
    EXPECT_TRUE(near(y_edge, sigma[1] * t * (side * l1)));
    // The middle nodes are in balance, and a flat sheet needs no Z support.
    for (std::int32_t i : {6, 7, 10, 11})
        for (int j = 0; j < 2; ++j) EXPECT_NEAR(forces[i][j], 0.0, 1e-8) << i;
    for (std::int32_t i = 1; i <= 16; ++i) EXPECT_EQ(forces[i][2], 0.0);
}

INSTANTIATE_TEST_SUITE_P(laws, homogeneous, ::testing::Values(neo, mooney), [](const auto& info) {
    return info.param.material == 1 ? "neo_hookean" : "mooney_rivlin";
});

}  // namespace
