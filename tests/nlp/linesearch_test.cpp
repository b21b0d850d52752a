// The step-length search: failure on a non-descent direction, the mandatory sectioning trial,
// the trial limit, the doubling stage and how trials replace the ends of the bracket.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "nlp/minimiser.hpp"
#include "objectives.hpp"

namespace {

using nlp_test::scripted;
using nlp_test::vec;

// The search's settings: at most limit sectioning trials, the given curvature factor.
nlp::search_settings search(std::int32_t limit, double factor) {
    return {.search_limit = limit, .search_factor = factor};
}

// One-dimensional search from x = 0 along d = 1, so every trial point is its step.
struct unit_line {
    terms::real_vector x = vec({0.0});
    terms::real_vector g;
    terms::real_vector d = vec({1.0});
    explicit unit_line(double g0) : g(vec({g0})) {}
};

TEST(nlp_linesearch, ZeroSlopeFailsWithoutTouchingXAndG) {
    nlp_test::quadratic objective;
    nlp::minimiser minimiser(objective);
    terms::real_vector x = vec({0.5, -1.0});
    terms::real_vector g = vec({1.0, 1.0});
    const terms::real_vector d = vec({1.0, -1.0});  // g.d = 0
    testing::internal::CaptureStdout();
    try {
        minimiser.linesearch(search(10, 0.9), 2, 3.0, x, g, d);
        ADD_FAILURE() << "no halt";
    } catch (const nlp::halt& failure) {
        EXPECT_NE(std::string(failure.what()).find("NLP.HALT"), std::string::npos);
        EXPECT_NE(std::string(failure.what()).find("linesearch"), std::string::npos);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // its caller reports a halt
    EXPECT_EQ(objective.calls(), 0u);
    EXPECT_EQ(x(1), 0.5);
    EXPECT_EQ(x(2), -1.0);
    EXPECT_EQ(g(1), 1.0);
    EXPECT_EQ(g(2), 1.0);
}

TEST(nlp_linesearch, AscentDirectionFails) {
    nlp_test::quadratic objective;
    nlp::minimiser minimiser(objective);
    terms::real_vector x = vec({0.0});
    terms::real_vector g = vec({-1.0});
    testing::internal::CaptureStdout();
    EXPECT_THROW(minimiser.linesearch(search(10, 0.9), 1, 0.0, x, g, vec({-1.0})), nlp::halt);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(nlp_linesearch, NoUnknownsFails) {
    nlp_test::quadratic objective;
    nlp::minimiser minimiser(objective);
    terms::real_vector x, g, d;
    testing::internal::CaptureStdout();
    EXPECT_THROW(minimiser.linesearch(search(10, 0.9), 0, 0.0, x, g, d), nlp::halt);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(objective.calls(), 0u);
}

TEST(nlp_linesearch, AcceptableUnitStepIsStillSectioned) {
    // f = a^2 + a^4 / 8 + 2 b^2 with a = x1 - 0.9, b = x2 + 0.9: along d = (1, -1) from 0 the
    // unit step is already acceptable, yet the search makes one sectioning trial at
    // cubic(0, 1, f0, f1, s0, s1).
    struct bowl : nlp_test::recorder {
        std::vector<double> energies, slopes;
        double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
            note(n, x);
            const double a = x(1) - 0.9, b = x(2) + 0.9;
            g(1) = 2.0 * a + 0.5 * a * a * a;
            g(2) = 4.0 * b;
            const double f = a * a + 0.125 * a * a * a * a + 2.0 * b * b;
            energies.push_back(f);
            slopes.push_back(g(1) * 1.0 + g(2) * -1.0);
            return f;
        }
    } objective;
    nlp::minimiser minimiser(objective);
    terms::real_vector x = vec({0.0, 0.0});
    terms::real_vector g(1, 2);
    const double f0 = objective(2, x, g);
    const double s0 = objective.slopes[0];
    const terms::real_vector d = vec({1.0, -1.0});
    objective.points.clear();
    const double f = minimiser.linesearch(search(10, 0.9), 2, f0, x, g, d);

    ASSERT_EQ(objective.calls(), 2u);
    EXPECT_EQ(objective.points[0], (std::vector<double>{1.0, -1.0}));
    // the unit step alone would have passed the test
    EXPECT_LE(std::abs(objective.slopes[1]), -(s0 * 0.9));
    EXPECT_LE(objective.energies[1], f0);
    const double t = nlp::cubic(0.0, 1.0, f0, objective.energies[1], s0, objective.slopes[1]);
    EXPECT_NE(t, 1.0);
    EXPECT_EQ(objective.points[1], (std::vector<double>{t * 1.0 + 0.0, t * -1.0 + 0.0}));
    EXPECT_EQ(x(1), objective.points[1][0]);
    EXPECT_EQ(x(2), objective.points[1][1]);
    EXPECT_EQ(f, objective.energies[2]);
}

// Never acceptable (search_factor 0 and slopes never exactly 0): the trial limit ends it.
std::size_t overshoot_calls(std::int32_t search_limit, double* last_x, double* returned) {
    struct overshoot : nlp_test::recorder {
        double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
            note(n, x);
            const double a = x(1) - 0.3;
            g(1) = 2.0 * a + 4.0 * a * a * a + 1e-3;
            return a * a + a * a * a * a + 1e-3 * x(1);
        }
    } objective;
    nlp::minimiser minimiser(objective);
    unit_line line(0.0);
    const double f0 = objective(1, line.x, line.g);
    objective.points.clear();
    *returned = minimiser.linesearch(search(search_limit, 0.0), 1, f0, line.x, line.g, line.d);
    *last_x = line.x(1);
    EXPECT_EQ(line.x(1), objective.points.back()[0]);
    return objective.calls();
}

TEST(nlp_linesearch, TrialLimitCountsSectioningTrials) {
    double x = 0.0, f = 0.0;
    EXPECT_EQ(overshoot_calls(-3, &x, &f), 2u);  // unit step + one sectioning trial
    EXPECT_EQ(overshoot_calls(0, &x, &f), 2u);
    EXPECT_EQ(overshoot_calls(1, &x, &f), 2u);
    EXPECT_EQ(overshoot_calls(2, &x, &f), 3u);
    EXPECT_EQ(overshoot_calls(5, &x, &f), 6u);
    EXPECT_NEAR(x, 0.3, 0.01);
}

TEST(nlp_linesearch, StepDoublesWhileTheEnergyFalls) {
    // f = (x - 100)^2 along d = 1 from 0: steps 1, 2, ..., 64 keep falling, 128 overshoots,
    // then sectioning between 64 and 128 lands on 100.
    struct far : nlp_test::recorder {
        double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
            note(n, x);
            g(1) = 2.0 * (x(1) - 100.0);
            return (x(1) - 100.0) * (x(1) - 100.0);
        }
    } objective;
    nlp::minimiser minimiser(objective);
    unit_line line(-200.0);
    const double f = minimiser.linesearch(search(10, 0.5), 1, 10000.0, line.x, line.g, line.d);
    ASSERT_EQ(objective.calls(), 9u);
    double step = 1.0;
    for (std::size_t i = 0; i < 8; ++i, step += step) EXPECT_EQ(objective.points[i][0], step);
    EXPECT_EQ(objective.points[8][0], nlp::cubic(64.0, 128.0, 1296.0, 784.0, -72.0, 56.0));
    EXPECT_NEAR(line.x(1), 100.0, 1e-9);
    EXPECT_NEAR(f, 0.0, 1e-12);
}

TEST(nlp_linesearch, DoublingStopsWhenTheEnergyRisesAboveTheLowEnd) {
    // the trial at 2 is still below f0 and still descending, but above the energy at 1
    scripted objective;
    objective.script = {{-2.0, {-1.0}}, {-1.0, {-1.0}}, {-3.0, {0.0}}};
    nlp::minimiser minimiser(objective);
    unit_line line(-1.0);
    minimiser.linesearch(search(10, 0.5), 1, 0.0, line.x, line.g, line.d);
    ASSERT_EQ(objective.calls(), 3u);
    EXPECT_EQ(objective.points[1][0], 2.0);
    // sectioning between the low end 1 and the high end 2
    EXPECT_EQ(objective.points[2][0], nlp::cubic(1.0, 2.0, -2.0, -1.0, -1.0, -1.0));
}

TEST(nlp_linesearch, NoDoublingWhenTheUnitStepRaisesTheEnergy) {
    // slope still negative at 1 but the energy went up: straight to sectioning on [0, 1]
    scripted objective;
    objective.script = {{2.0, {-1.0}}, {-0.5, {0.0}}};
    nlp::minimiser minimiser(objective);
    unit_line line(-1.0);
    minimiser.linesearch(search(10, 0.5), 1, 0.0, line.x, line.g, line.d);
    ASSERT_EQ(objective.calls(), 2u);
    EXPECT_EQ(objective.points[1][0], nlp::cubic(0.0, 1.0, 0.0, 2.0, -1.0, -1.0));
}

TEST(nlp_linesearch, ZeroSlopeTrialBecomesTheHighEndAndIsTriedAgain) {
    scripted objective;
    objective.script = {
        {1.0, {2.0}},  // unit step overshoots
        {0.5, {0.0}},  // slope exactly 0 but energy above the low end: high end
        {0.0, {0.0}},  // the same step again; f = fl passes (non-strict)
    };
    nlp::minimiser minimiser(objective);
    unit_line line(-1.0);
    const double f = minimiser.linesearch(search(10, 0.5), 1, 0.0, line.x, line.g, line.d);
    ASSERT_EQ(objective.calls(), 3u);
    const double t = nlp::cubic(0.0, 1.0, 0.0, 1.0, -1.0, 2.0);
    EXPECT_GT(t, 0.0);
    EXPECT_LT(t, 1.0);
    EXPECT_EQ(objective.points[1][0], t);
    EXPECT_EQ(objective.points[2][0], t);
    EXPECT_EQ(f, 0.0);
}

TEST(nlp_linesearch, NegativeSlopeTrialBecomesTheLowEndWhateverItsEnergy) {
    scripted objective;
    objective.script = {
        {1.0, {2.0}},
        {5.0, {-0.5}},  // energy above both ends, slope negative: low end
        {-1.0, {0.1}},
    };
    nlp::minimiser minimiser(objective);
    unit_line line(-1.0);
    minimiser.linesearch(search(10, 0.5), 1, 0.0, line.x, line.g, line.d);
    ASSERT_EQ(objective.calls(), 3u);
    const double t = nlp::cubic(0.0, 1.0, 0.0, 1.0, -1.0, 2.0);
    EXPECT_EQ(objective.points[2][0], nlp::cubic(t, 1.0, 5.0, 1.0, -0.5, 2.0));
}

TEST(nlp_linesearch, CurvatureTestIsNotStrict) {
    // s0 = -1, factor 0.5: |s| = 0.5 passes, a hair more does not
    scripted at_bound;
    at_bound.script = {{1.0, {2.0}}, {-1.0, {0.5}}};
    nlp::minimiser first(at_bound);
    unit_line line(-1.0);
    first.linesearch(search(10, 0.5), 1, 0.0, line.x, line.g, line.d);
    EXPECT_EQ(at_bound.calls(), 2u);

    scripted beyond;
    beyond.script = {{1.0, {2.0}}, {-1.0, {0.5000001}}, {-1.0, {0.0}}};
    nlp::minimiser second(beyond);
    unit_line again(-1.0);
    second.linesearch(search(10, 0.5), 1, 0.0, again.x, again.g, again.d);
    EXPECT_EQ(beyond.calls(), 3u);
}

TEST(nlp_linesearch, NaNTrialsAreNeverAcceptedAndTheLimitEndsTheSearch) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    scripted objective;
    objective.script = {{1.0, {2.0}}, {nan, {0.0}}, {-1.0, {0.0}}, {-1.0, {0.0}}};
    nlp::minimiser minimiser(objective);
    unit_line line(-1.0);
    const double f = minimiser.linesearch(search(3, 0.5), 1, 0.0, line.x, line.g, line.d);
    // once a NaN energy is an end, nothing compares below it
    EXPECT_EQ(objective.calls(), 4u);
    EXPECT_EQ(f, -1.0);
}

TEST(nlp_linesearch, NaNInitialSlopeIsNotCaught) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    scripted objective;
    objective.script = {{1.0, {1.0}}, {-1.0, {0.0}}, {-2.0, {0.0}}};
    nlp::minimiser minimiser(objective);
    unit_line line(nan);
    testing::internal::CaptureStdout();
    double f = 0.0;
    EXPECT_NO_THROW(f = minimiser.linesearch(search(2, 0.5), 1, 0.0, line.x, line.g, line.d));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    // the curvature threshold is NaN, so no trial is acceptable: the limit ends the search
    ASSERT_EQ(objective.calls(), 3u);
    EXPECT_EQ(objective.points[1][0], 0.5);
    EXPECT_EQ(f, -2.0);
}

}  // namespace

namespace {

// Every trial's energy is NaN: no trial is ever acceptable, the bracket stops changing after
// the first sectioning trials, and from then on every trial would repeat the last one exactly.
struct always_nan {
    std::int64_t calls = 0;
    std::vector<double> trials;
    double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
        ++calls;
        trials.push_back(x(1));
        for (std::int32_t i = 1; i <= n; ++i) g(i) = x(i) - 3.0;
        return std::numeric_limits<double>::quiet_NaN();
    }
};

TEST(nlp_linesearch, AStillBracketEndsTheSearchLongBeforeAHugeTrialLimit) {
    always_nan objective;
    nlp::minimiser minimiser(objective);
    terms::real_vector x(1, 1), g(1, 1), d(1, 1);
    g(1) = -1.0;
    d(1) = 1.0;
    const double f = minimiser.linesearch(search(std::numeric_limits<std::int32_t>::max(), 0.9), 1,
                                          0.0, x, g, d);
    EXPECT_TRUE(std::isnan(f));
    EXPECT_LT(objective.calls, 5000);

    // The search stopped only once a trial repeated the one before it exactly: from there on
    // every trial would be the same, so the point returned is the one the limit would give.
    ASSERT_GE(objective.trials.size(), 2u);
    const std::size_t last = objective.trials.size() - 1;
    EXPECT_EQ(objective.trials[last], objective.trials[last - 1]);
    for (std::size_t t = 1; t + 1 < last; ++t)
        EXPECT_NE(objective.trials[t], objective.trials[t + 1]) << "an earlier repeat at " << t;
    EXPECT_EQ(x(1), objective.trials[last]);
    EXPECT_EQ(g(1), x(1) - 3.0);
}

TEST(nlp_linesearch, SearchAndSaveKeepsTheStartAndSearchesAsLinesearchDoes) {
    // the same search from the same start, once through each entry, on 11 unknowns (more than a
    // cache line of the passes)
    constexpr std::int32_t n = 11;
    nlp_test::quadratic first_objective, second_objective;
    terms::real_vector x(1, n), g(1, n), d(1, n), x2(1, n), g2(1, n);
    for (std::int32_t i = 1; i <= n; ++i) x(i) = x2(i) = 0.05 * i - 0.3;
    const double f0 = first_objective(n, x, g);
    second_objective(n, x2, g2);
    for (std::int32_t i = 1; i <= n; ++i) d(i) = -0.5 * g(i);
    const std::vector<double> start = nlp_test::values(x, n), start_g = nlp_test::values(g, n);
    const double f = nlp::linesearch(first_objective, search(10, 0.9), n, f0, x, g, d);
    std::vector<double> saved_x(n), saved_g(n);
    const double f2 =
        nlp::search_and_save(second_objective, search(10, 0.9), n, f0, x2, g2, d, saved_x, saved_g);
    EXPECT_EQ(f2, f);
    EXPECT_EQ(nlp_test::values(x2, n), nlp_test::values(x, n));
    EXPECT_EQ(nlp_test::values(g2, n), nlp_test::values(g, n));
    EXPECT_EQ(second_objective.points, first_objective.points);
    EXPECT_EQ(saved_x, start);
    EXPECT_EQ(saved_g, start_g);
    std::vector<double> too_short(n - 1);
    EXPECT_THROW(nlp::search_and_save(second_objective, search(10, 0.9), n, f0, x2, g2, d, saved_x,
                                      too_short),
                 std::invalid_argument);
}

}  // namespace
