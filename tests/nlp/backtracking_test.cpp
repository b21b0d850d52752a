// Newton's line search on one unknown: an uphill full step shortened by the quadratic through
// it, or taken below a higher reference energy, an inside-out trial rejected without an
// evaluation, the round-off rule, and the halt.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "nlp/backtracking.hpp"

namespace {

// f(x) = (x - centre)^2 on x(1), counting its evaluations and where they were made.
struct parabola {
    double centre;
    std::vector<double> at;
    double operator()(std::int32_t, const terms::real_vector& x, terms::real_vector& g) {
        at.push_back(x(1));
        g(1) = 2.0 * (x(1) - centre);
        return (x(1) - centre) * (x(1) - centre);
    }
};

struct search_case {
    double centre, direction, upright_below;  // a trial at or past upright_below is inside out
    double above;                             // the reference energy above the start's
    std::vector<double> evaluated;            // the points evaluated, in order
    double step;                              // the step accepted
};

TEST(backtracking, shortens_uphill_and_inside_out_trials_and_goes_uphill_only_below_the_reference) {
    const search_case cases[] = {
        // full step to 4 is uphill (9 > 1); the quadratic through it gives 0.25, the minimum
        {1.0, 4.0, 1e300, 0.0, {4.0, 1.0}, 0.25},
        // the same below a reference of 10: taken whole; at 9, not (9 - 9 > 1e-4 * -8)
        {1.0, 4.0, 1e300, 9.0, {4.0}, 1.0},
        {1.0, 4.0, 1e300, 8.0, {4.0, 1.0}, 0.25},
        // full step to 4 turns the sheet over: skipped unevaluated, a quarter of it taken
        {3.0, 4.0, 2.0, 0.0, {1.0}, 0.25},
        // a full step that goes downhill is taken as it is
        {1.0, 1.5, 1e300, 0.0, {1.5}, 1.0},
    };
    for (const search_case& c : cases) {
        parabola f{c.centre, {}};
        terms::real_vector x(1, 1), g(1, 1), d(1, 1);
        const double f0 = f(1, x, g);
        f.at.clear();
        d(1) = c.direction;
        double step = 0.0;
        const double energy = nlp::backtrack(
            f, [&](const terms::real_vector& at) { return at(1) < c.upright_below; }, {}, 1, f0,
            f0 + c.above, x, g, d, g(1) * d(1), &step);
        EXPECT_EQ(f.at, c.evaluated) << c.centre << " " << c.direction;
        EXPECT_EQ(step, c.step);
        EXPECT_LT(energy, f0 + c.above);
        EXPECT_EQ(x(1), c.step * c.direction);
    }
}

// A flat energy whose gradient still falls: only the round-off rule accepts a step.
TEST(backtracking, accepts_a_step_within_round_off_that_lowers_the_gradient) {
    auto flat = [](std::int32_t, const terms::real_vector& x, terms::real_vector& g) {
        g(1) = 1e-9 * (1.0 - x(1));
        return 5.0;
    };
    terms::real_vector x(1, 1), g(1, 1), d(1, 1);
    g(1) = 1e-9;
    d(1) = 1.0;
    double step = 0.0;
    const auto upright = [](const terms::real_vector&) { return true; };
    EXPECT_EQ(nlp::backtrack(flat, upright, {}, 1, 5.0, 5.0, x, g, d, -1e-9, &step), 5.0);
    EXPECT_EQ(step, 1.0);
    // a gradient that does not fall either: no trial is progress, the search halts
    auto stuck = [](std::int32_t, const terms::real_vector&, terms::real_vector& g) {
        g(1) = 1e-9;
        return 5.0;
    };
    x(1) = 0.0;
    g(1) = 1e-9;
    EXPECT_THROW(nlp::backtrack(stuck, upright, {}, 1, 5.0, 5.0, x, g, d, -1e-9, &step), nlp::halt);
    // an ascent direction halts at once
    EXPECT_THROW(nlp::backtrack(flat, upright, {}, 1, 5.0, 5.0, x, g, d, 1e-9, &step), nlp::halt);
}

}  // namespace
