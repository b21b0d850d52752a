// Follower pressure against what it must reach: a sphere octant's uniform stretch in closed form
// at two mesh sizes, where a dead pressure reaches its own other stretch, and the support
// reactions that balance the pressure's force. (The inflated disc against dead loads taken again
// from the deformed triangles, and p = 2 N / R at its pole, run in bench/follower_validation.py.)
#include <gtest/gtest.h>

#include <cmath>

#include "melvar/program.hpp"
#include "nlp/minimiser.hpp"
#include "sheet/run/minimise.hpp"
#include "support/input_text.hpp"
#include "support/pressurised_sheets.hpp"

namespace {

using namespace pressurised_sheets;

// The equilibrium of the text's problem, minimised in-process, with its final state; and its
// current node positions.
melvar::model solved(const std::string& text) {
    melvar::model m = input_text::read_melvar(text);
    auto started = melvar::program::start(m);
    auto objective = [&](std::int32_t n, const terms::real_vector& x, terms::real_vector& g,
                         nlp::slope_request along = {}) {
        return melvar::program::objective(m, started, n, x, g, along);
    };
    nlp::minimiser<decltype(objective)> minimiser(objective);
    EXPECT_TRUE(minimiser
                    .lbfgs(sheet::lbfgs_settings_of(m), m.numbering.unknown_count, m.unknowns.x,
                           m.unknowns.gradient)
                    .optimal);
    melvar::program::find_final_state(m, started, {});
    return m;
}

std::vector<point> positions(const melvar::model& m) {
    std::vector<point> x;
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i)
        x.push_back({m.problem.mesh.node_x(i) + sheet::displacement(m, i, 1),
                     m.problem.mesh.node_y(i) + sheet::displacement(m, i, 2),
                     m.problem.mesh.node_z(i) + sheet::displacement(m, i, 3)});
    return x;
}

double mean_radius(const melvar::model& m) {
    double sum = 0.0;
    for (const point& x : positions(m)) sum += std::hypot(x[0], x[1], x[2]);
    return sum / m.problem.mesh.node_count;
}

// The stretch below the limit at which a neo-Hookean sphere holds p R / (mu t0) = load: the
// root of 2 (1 / s - 1 / s^7) for the follower pressure, of 2 (s - 1 / s^5) for the dead one.
double stretch(double load, bool follower) {
    double low = 1.0, high = std::pow(7.0, 1.0 / 6.0);
    for (int i = 0; i < 100; ++i) {
        const double s = 0.5 * (low + high);
        const double held =
            follower ? 2.0 * (1.0 / s - std::pow(s, -7.0)) : 2.0 * (s - std::pow(s, -5.0));
        (held < load ? low : high) = s;
    }
    return low;
}

TEST(follower, sphere_octant_reaches_the_closed_form_stretch_and_a_dead_pressure_does_not) {
    const double t0 = 0.01, load = 0.8, p = load * t0;  // unit radius and shear modulus
    const double follower = stretch(load, true), dead = stretch(load, false);
    ASSERT_GT(follower - dead, 0.02);
    for (const auto& [cells, error] : {std::pair{4, 1.2E-2}, std::pair{8, 3.0E-3}}) {
        const dorvan_tests::problem octant = pressurised_sheets::octant(cells, t0);
        const melvar::model m = solved(with_pressure(octant, p));
        EXPECT_NEAR(mean_radius(m) / follower, 1.0, error) << cells;
        dorvan_tests::problem loaded = octant;
        std::vector<point> start;
        for (const auto& n : octant.nodes) start.push_back({n.x, n.y, n.z});
        loaded.loads = lumped(octant, start, p);
        EXPECT_NEAR(mean_radius(solved(dorvan_tests::input_text(loaded))) / dead, 1.0, error);

        // The reactions take up the pressure's force, whose Z part is p times the area of the
        // inflated octant seen along Z.
        double force = 0.0, reactions = 0.0;
        for (const auto& f : lumped(octant, positions(m), p))
            force += f.direction == 3 ? f.value : 0;
        for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i)
            reactions += m.results.reactions(i, 3);
        EXPECT_NEAR(reactions, -force, 1.0E-7);
    }
}

}  // namespace
