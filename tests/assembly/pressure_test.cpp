// The follower pressure's potential -p V: its gradient and Hessian against central differences,
// the follower force and volume it gives on a closed surface, and both programs' objectives with
// pressures read from input.txt against central differences.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "sheet/energy/follower_pressure.hpp"
#include "sheet/mechanics/pressure.hpp"
#include "support/gradient_check.hpp"
#include "support/input_text.hpp"
#include "support/objectives.hpp"
#include "support/pressurised_sheets.hpp"

namespace {

using corners = double[3][3];

TEST(pressure, gradient_and_hessian_agree_with_central_differences) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(-2.0, 2.0);
    const double p = 0.7, h = 1.0E-5;
    corners x, shifted[2];
    for (auto& corner : x) std::generate(corner, corner + 3, [&] { return coordinate(random); });
    double g[3][3], hessian[9][9], g_shifted[2][3][3], f[2];
    sheet::pressure_potential(p, x, g);
    sheet::pressure_hessian(p, x, hessian);
    for (int a = 0; a < 9; ++a) {
        for (int side = 0; side < 2; ++side) {
            std::copy(&x[0][0], &x[0][0] + 9, &shifted[side][0][0]);
            shifted[side][a / 3][a % 3] += side == 0 ? h : -h;
            f[side] = sheet::pressure_potential(p, shifted[side], g_shifted[side]);
        }
        EXPECT_NEAR(g[a / 3][a % 3], (f[0] - f[1]) / (2.0 * h), 1.0E-9) << a;
        for (int b = 0; b < 9; ++b) {
            const double slope =
                (g_shifted[0][b / 3][b % 3] - g_shifted[1][b / 3][b % 3]) / (2 * h);
            EXPECT_NEAR(hessian[b][a], slope, 1.0E-9) << b << ", " << a;
            EXPECT_EQ(hessian[a][b], hessian[b][a]);
        }
    }
}

// On a closed surface the potential's gradient at every node is minus the follower force, a
// third of p times each triangle's area vector, and the potential is -p times the volume. Here
// a tetrahedron away from the origin, its faces turned outward.
TEST(pressure, gives_the_follower_force_on_a_closed_surface) {
    const double node[4][3] = {{0.3, 0.2, 0.1}, {1.4, 0.1, 0.3}, {0.2, 1.3, 0.4}, {0.5, 0.4, 1.6}};
    const int faces[4][3] = {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {0, 3, 2}};
    const double p = 1.5;
    double gradient[4][3] = {}, follower[4][3] = {}, potential = 0.0;
    for (const auto& face : faces) {
        corners x;
        for (int l = 0; l < 3; ++l) std::copy(node[face[l]], node[face[l]] + 3, x[l]);
        double g[3][3], forces[3][3];
        potential += sheet::pressure_potential(p, x, g);
        sheet::follower_forces(p, x, forces);
        for (int l = 0; l < 3; ++l)
            for (int c = 0; c < 3; ++c) {
                gradient[face[l]][c] += g[l][c];
                follower[face[l]][c] += forces[l][c];
                EXPECT_DOUBLE_EQ(forces[l][c], forces[0][c]);  // a third to each corner
            }
    }
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(gradient[i][c], -follower[i][c], 1.0E-14);
    corners edges;  // from node 0: the volume is a sixth of their triple product
    for (int l = 0; l < 3; ++l)
        for (int c = 0; c < 3; ++c) edges[l][c] = node[l + 1][c] - node[0][c];
    EXPECT_NEAR(potential, -p * sheet::pyramid_volume(edges), 1.0E-14);
}

// At a deformed state (dorvan's thicknesses away from 1) with pressures and a load: every
// displacement entry of the gradient (dorvan's thickness entries are a scaled slope), and the
// energy's pressure part, -p V.
TEST(pressure, objectives_agree_with_central_differences) {
    dorvan_tests::problem octant = pressurised_sheets::octant(3, 0.1);
    octant.loads = {{5, 1, 0.01}, {5, 3, 0.03}};
    const auto text_of = [&](bool dorvan) {
        octant.material.constants = dorvan ? std::vector{1.0, 10.0} : std::vector{1.0};
        return pressurised_sheets::with_pressure(octant, 0.05);
    };
    testing_support::check_gradient_by_differences(
        text_of, 3, "pressure", [](sheet::model& model, auto&& energy_now, double energy) {
            const sheet::assembly_plan plan(model);
            const sheet::load_state full;
            const terms::real_vector& x = model.unknowns.x;
            const double volume = sheet::follower_pressure(model.problem, model.numbering)
                                      .volume({model.problem, plan, full, x.view(1, x.last())});
            model.problem.pressures.clear();
            EXPECT_NEAR(energy - energy_now(), -0.05 * volume, 1.0E-15);
        });
}

}  // namespace
