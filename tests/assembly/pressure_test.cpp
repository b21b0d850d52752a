// The follower pressure's potential -p V: a worked triangle, its gradient and Hessian against
// central differences, the follower force it gives on a closed surface, and the objectives of
// both programs with pressures read from input.txt against central differences.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "sheet/assembly/pressure_load.hpp"
#include "sheet/mechanics/pressure.hpp"
#include "support/input_text.hpp"
#include "support/objectives.hpp"
#include "support/pressurised_sheets.hpp"

namespace {

using corners = double[3][3];

TEST(pressure, of_a_worked_triangle) {
    const corners x = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
    double g[3][3];
    EXPECT_DOUBLE_EQ(sheet::pressure_potential(2.0, x, g), -1.0 / 3.0);  // V = 1/6
    for (int l = 0; l < 3; ++l)
        for (int j = 0; j < 3; ++j) EXPECT_DOUBLE_EQ(g[l][j], l == j ? -1.0 / 3.0 : 0.0);
}

TEST(pressure, gradient_and_hessian_agree_with_central_differences) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(-2.0, 2.0);
    const double p = 0.7, h = 1.0E-5;
    for (int trial = 0; trial < 5; ++trial) {
        corners x;
        for (auto& corner : x)
            for (double& c : corner) c = coordinate(random);
        double g[3][3], hessian[9][9];
        sheet::pressure_potential(p, x, g);
        sheet::pressure_hessian(p, x, hessian);
        for (int a = 0; a < 9; ++a) {
            corners up, down;
            std::copy(&x[0][0], &x[0][0] + 9, &up[0][0]);
            std::copy(&x[0][0], &x[0][0] + 9, &down[0][0]);
            up[a / 3][a % 3] += h;
            down[a / 3][a % 3] -= h;
            double g_up[3][3], g_down[3][3];
            const double slope = (sheet::pressure_potential(p, up, g_up) -
                                  sheet::pressure_potential(p, down, g_down)) /
                                 (2.0 * h);
            EXPECT_NEAR(g[a / 3][a % 3], slope, 1.0E-9) << a;
            for (int b = 0; b < 9; ++b) {
                EXPECT_NEAR(hessian[b][a], (g_up[b / 3][b % 3] - g_down[b / 3][b % 3]) / (2.0 * h),
                            1.0E-9)
                    << b << ", " << a;
                EXPECT_EQ(hessian[a][b], hessian[b][a]);
            }
        }
    }
}

// On a closed surface the potential's gradient at every node is minus the follower force: p / 3
// of the area vector (x2 - x1) x (x3 - x1) / 2 of each of its triangles. Here a tetrahedron
// away from the origin, its faces turned outward.
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
        double a[3], b[3], n[3];
        for (int c = 0; c < 3; ++c) a[c] = x[1][c] - x[0][c], b[c] = x[2][c] - x[0][c];
        sheet::cross(a, b, n);
        for (int l = 0; l < 3; ++l)
            for (int c = 0; c < 3; ++c) {
                gradient[face[l]][c] += g[l][c];
                follower[face[l]][c] += p * n[c] / 6.0;
                EXPECT_DOUBLE_EQ(forces[l][c], p * n[c] / 6.0);
            }
    }
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(gradient[i][c], -follower[i][c], 1.0E-14);
    double e[3][3];  // the edges from node 0
    for (int l = 0; l < 3; ++l)
        for (int c = 0; c < 3; ++c) e[l][c] = node[l + 1][c] - node[0][c];
    double across[3];
    sheet::cross(e[1], e[2], across);
    EXPECT_NEAR(potential, -p * sheet::dot(e[0], across) / 6.0, 1.0E-14);  // -p x its volume
}

// Central differences of the objective at a deformed state (dorvan's thicknesses away from 1),
// with pressures read from the section and loads: every displacement entry of the gradient
// (dorvan's thickness entries are a scaled slope), and the energy's pressure part as -p V.
TEST(pressure, objectives_agree_with_central_differences) {
    using namespace pressurised_sheets;
    const sheet_mesh octant = pressurised_sheets::octant(3);
    std::vector<point> loads(octant.nodes.size(), {0.0, 0.0, 0.0});
    loads[4] = {0.01, -0.02, 0.03};
    const double p = 0.05;
    for (const bool dorvan : {false, true}) {
        SCOPED_TRACE(dorvan ? "dorvan" : "melvar");
        const std::string text = problem_text(octant, 0.1, loads, p, "0.9 20 1e-9 1.0 100 5",
                                              dorvan ? "1 1.0 10.0" : "1 1.0");
        dorvan::model d;
        melvar::model m;
        if (dorvan)
            d = input_text::read_dorvan(text), dorvan::start(d);
        else
            m = input_text::read_melvar(text), melvar::start(m);
        sheet::model& model = dorvan ? static_cast<sheet::model&>(d) : m;
        const std::int32_t n = model.numbering.unknown_count;
        const auto f = [&](const terms::real_vector& x, terms::real_vector& g) {
            return dorvan ? testing_support::dorvan_objective(d, n, x, g)
                          : testing_support::melvar_objective(m, n, x, g);
        };
        std::mt19937 random(3);
        std::uniform_real_distribution<double> shift(-0.05, 0.05);
        terms::real_vector& x = model.unknowns.x;
        for (std::int32_t k = 1; k <= n; ++k)
            x(k) = k <= model.numbering.free_count ? shift(random) : 1.0 + shift(random);
        terms::real_vector g(1, n), scratch(1, n);
        const double energy = f(x, g);
        for (std::int32_t k = 1; k <= model.numbering.free_count; ++k) {
            const double h = 1.0E-6, kept = x(k);
            x(k) = kept + h;
            const double up = f(x, scratch);
            x(k) = kept - h;
            const double down = f(x, scratch);
            x(k) = kept;
            EXPECT_NEAR(g(k), (up - down) / (2.0 * h), 1.0E-7) << "entry " << k;
        }
        const double volume = sheet::pressurised_volume(model);
        model.problem.pressures.clear();
        EXPECT_NEAR(energy - f(x, scratch), -p * volume, 1.0E-15);
    }
}

}  // namespace
