// Follower pressure against what it must reach: the sphere octant's uniform stretch in closed
// form (and the dead pressure's other one), the support reactions that balance it, and on the
// clamped disc the solution of dead loads taken again and again from the deformed triangles,
// with p = 2 N / R at the pole.
#include <gtest/gtest.h>

#include <cmath>

#include "melvar/program.hpp"
#include "nlp/minimiser.hpp"
#include "sheet/run/minimise.hpp"
#include "support/input_text.hpp"
#include "support/pressurised_sheets.hpp"

namespace {

using namespace pressurised_sheets;

// The equilibrium of the problem of text, minimised in-process from start (or from the
// undeformed sheet), with its final state.
melvar::model solved(const std::string& text, const std::vector<double>& start = {}) {
    melvar::model m = input_text::read_melvar(text);
    sheet::assembly_plan plan = melvar::start(m);
    for (std::size_t k = 0; k < start.size(); ++k) m.unknowns.x(std::int32_t(k) + 1) = start[k];
    auto objective = [&](std::int32_t n, const terms::real_vector& x, terms::real_vector& g,
                         nlp::slope_request along = {}) {
        return melvar::objective(m, plan, n, x, g, along);
    };
    nlp::minimiser<decltype(objective)> minimiser(objective);
    const nlp::minimiser_result result = minimiser.lbfgs(
        sheet::lbfgs_settings_of(m), m.numbering.unknown_count, m.unknowns.x, m.unknowns.gradient);
    EXPECT_TRUE(result.optimal);
    melvar::find_final_state(m);
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
    for (const point& x : positions(m)) sum += std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
    return sum / m.problem.mesh.node_count;
}

// The stretch at which a neo-Hookean sphere holds p R / (mu t0) = load: the root below the
// limit of 2 (1 / s - 1 / s^7) for the follower pressure, of 2 (s - 1 / s^5) for the dead one.
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
    const double allowed[] = {1.2E-2, 3.0E-3};  // the faceted mesh's error, smaller on the finer
    int at = 0;
    for (const int cells : {4, 8}) {
        const sheet_mesh octant = pressurised_sheets::octant(cells);
        const std::vector<point> none(octant.nodes.size(), {0.0, 0.0, 0.0});
        const melvar::model m = solved(problem_text(octant, t0, none, p));
        EXPECT_NEAR(mean_radius(m) / follower, 1.0, allowed[at]) << cells;
        const melvar::model d =
            solved(problem_text(octant, t0, lumped(octant, octant.nodes, p), 0));
        EXPECT_NEAR(mean_radius(d) / dead, 1.0, allowed[at++]) << cells;

        // The reactions take up the pressure's force: its Z part is p times the area of the
        // current octant seen along Z.
        const std::vector<point> x = positions(m);
        double force = 0.0, reactions = 0.0;
        for (const point& f : lumped(octant, x, p)) force += f[2];
        for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i)
            reactions += m.results.reactions(i, 3);
        EXPECT_NEAR(reactions, -force, 1.0E-7);
    }
}

TEST(follower, disc_agrees_with_dead_loads_taken_again_from_the_deformed_triangles) {
    const sheet_mesh disc = pressurised_sheets::disc(5);
    const double t0 = 0.01, p = 1.0 * t0;
    const std::vector<point> none(disc.nodes.size(), {0.0, 0.0, 0.0});
    const std::string tight = "0.9 20 1e-12 1.0 8000 7";
    const melvar::model follower = solved(problem_text(disc, t0, none, p, tight));

    std::vector<point> x = disc.nodes;
    std::vector<double> u;
    for (int round = 0; round < 60; ++round) {
        const melvar::model dead = solved(problem_text(disc, t0, lumped(disc, x, p), 0, tight), u);
        const std::vector<point> next = positions(dead);
        double moved = 0.0;
        for (std::size_t i = 0; i < x.size(); ++i)
            for (int c = 0; c < 3; ++c) moved = std::max(moved, std::fabs(next[i][c] - x[i][c]));
        x = next;
        const auto free = dead.unknowns.x.view(1, dead.numbering.free_count);
        u.assign(free.begin(), free.end());
        if (moved < 1.0E-10) break;
    }
    const std::vector<point> reached = positions(follower);
    for (std::size_t i = 0; i < x.size(); ++i)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(reached[i][c], x[i][c], 1.0E-9) << i << ", " << c;
    EXPECT_GT(reached[0][2], 0.4);  // a large deflection at the pole
}

}  // namespace
