// The step-length search: failure on a non-descent direction, the mandatory sectioning trial,
// the trial limit, the doubling stage, how trials replace the ends of the bracket, and the
// retreat from trials whose energy or slope is not finite.
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
    EXPECT_THROW(minimiser.linesearch(search(std::numeric_limits<std::int32_t>::max(), 0.9), 1, 0.0,
                                      x, g, d),
                 nlp::halt);
    EXPECT_LT(objective.calls, 5000);

    // Sectioning stopped only once a trial repeated the one before it exactly: from there on
    // every trial would be the same. The search then halved that step towards the start, the
    // only finite point, the retreat limit's 30 times, and gave up.
    const std::vector<double>& trials = objective.trials;
    ASSERT_GE(trials.size(), 32u);
    const std::size_t repeat = trials.size() - 31;
    EXPECT_EQ(trials[repeat], trials[repeat - 1]);
    for (std::size_t t = 1; t + 1 < repeat; ++t)
        EXPECT_NE(trials[t], trials[t + 1]) << "an earlier repeat at " << t;
    for (std::size_t k = 1; k <= 30; ++k)
        EXPECT_EQ(trials[repeat + k], trials[repeat + k - 1] * 0.5) << k;
    EXPECT_EQ(x(1), 0.0);  // back at the start
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

// Along d = 1 from 0: f(t) = (t - c)^2 with its gradient for t <= edge; past edge the energy and
// gradient break in the given way.
enum class breaks { nan, plus_infinity, minus_infinity, infinite_slope };
struct broken_beyond : nlp_test::recorder {
    double c, edge;
    breaks kind;
    broken_beyond(double c_, double edge_, breaks kind_) : c(c_), edge(edge_), kind(kind_) {}
    double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
        note(n, x);
        const double t = x(1), infinity = std::numeric_limits<double>::infinity();
        const double f = (t - c) * (t - c);
        g(1) = 2.0 * (t - c);
        if (!(t > edge)) return f;
        switch (kind) {
            case breaks::nan:
                g(1) = std::numeric_limits<double>::quiet_NaN();
                return g(1);
            case breaks::plus_infinity:
                g(1) = infinity;
                return infinity;
            case breaks::minus_infinity:
                g(1) = -infinity;
                return -infinity;
            case breaks::infinite_slope:
                g(1) = infinity;
                return f;
        }
        return f;
    }
};

struct breaking_case {
    const char* name;
    double c, edge;
    breaks kind;
    std::int32_t search_limit, retreat_limit;
    double step;        // the step returned; NaN: the search halts
    std::size_t calls;  // trials made
};
void PrintTo(const breaking_case& c, std::ostream* out) {
    *out << c.name;
}

// Each of these searches used to end on its last trial, whose energy or slope was NaN or
// infinite, and handed that point to the minimiser as its result.
const breaking_case breaking_cases[] = {
    // every trial of sectioning past the edge: ten halvings of [0, 1] end at 2^-10; four more
    // reach 2^-14 < 1e-4
    {"nan_past_a_tiny_step", 5.0, 1e-4, breaks::nan, 10, 30, 0x1p-14, 15},
    {"infinity_past_a_tiny_step", 5.0, 1e-4, breaks::plus_infinity, 10, 30, 0x1p-14, 15},
    {"infinite_slope_past_a_tiny_step", 5.0, 1e-4, breaks::infinite_slope, 10, 30, 0x1p-14, 15},
    // energy and slope -inf from 0.5 on: the doubling stops at 2, sectioning creeps up to
    // 2 - 2^-10; halving from 0 gives 1 - 2^-11 (still -inf), then 0.5 - 2^-12
    {"minus_infinity_past_the_minimiser", 0.25, 0.5, breaks::minus_infinity, 10, 30, 0.5 - 0x1p-12,
     14},
    // the unit step is finite and the low end; 2 and the one sectioning trial 1.5 are NaN;
    // 1.25 too, 1.125 is finite and below the energy at 1
    {"nan_past_the_low_end", 3.0, 1.2, breaks::nan, 1, 30, 1.125, 5},
    // every halving of [1, 1.5] is NaN: the low end itself, evaluated once more
    {"nan_right_past_the_low_end", 3.0, 1.0, breaks::nan, 1, 30, 1.0, 34},
    {"no_halving_allowed", 3.0, 1.2, breaks::nan, 1, 0, 1.0, 4},
    // nothing finite but the start
    {"nan_everywhere", 5.0, 0.0, breaks::nan, 10, 30, NAN, 41},
    {"infinity_everywhere", 5.0, 0.0, breaks::plus_infinity, 10, 30, NAN, 41},
    {"nan_everywhere_no_halving_allowed", 5.0, 0.0, breaks::nan, 10, 0, NAN, 11},
};

class nlp_linesearch_breaking : public testing::TestWithParam<breaking_case> {};

TEST_P(nlp_linesearch_breaking, NeverEndsOnANonFiniteTrial) {
    const breaking_case& c = GetParam();
    broken_beyond objective(c.c, c.edge, c.kind);
    terms::real_vector x = vec({0.0}), g(1, 1);
    const terms::real_vector d = vec({1.0});
    const double f0 = objective(1, x, g);
    objective.points.clear();
    nlp::search_settings settings = search(c.search_limit, 0.9);
    settings.retreat_limit = c.retreat_limit;
    double step = -1.0;
    if (std::isnan(c.step)) {
        try {
            nlp::linesearch(objective, settings, 1, f0, x, g, d, &step);
            ADD_FAILURE() << "no halt";
        } catch (const nlp::halt& failure) {
            EXPECT_NE(std::string(failure.what()).find("not a finite number"), std::string::npos)
                << failure.what();
        }
        EXPECT_EQ(x(1), 0.0);  // the start again
        EXPECT_EQ(step, -1.0);
    } else {
        const double f = nlp::linesearch(objective, settings, 1, f0, x, g, d, &step);
        EXPECT_EQ(step, c.step);
        EXPECT_EQ(x(1), c.step);
        EXPECT_EQ(f, (c.step - c.c) * (c.step - c.c));
        EXPECT_EQ(g(1), 2.0 * (c.step - c.c));
        EXPECT_LT(f, f0);
    }
    EXPECT_EQ(objective.calls(), c.calls);
}

INSTANTIATE_TEST_SUITE_P(Objectives, nlp_linesearch_breaking, testing::ValuesIn(breaking_cases),
                         [](const testing::TestParamInfo<breaking_case>& info) {
                             return std::string(info.param.name);
                         });

TEST(nlp_linesearch, HaltOfSearchAndSavePutsTheStartAndItsGradientBack) {
    broken_beyond objective(5.0, 0.0, breaks::nan);
    terms::real_vector x = vec({0.0}), g(1, 1);
    const terms::real_vector d = vec({1.0});
    const double f0 = objective(1, x, g);
    std::vector<double> saved_x(1), saved_g(1);
    EXPECT_THROW(nlp::search_and_save(objective, search(10, 0.9), 1, f0, x, g, d, saved_x, saved_g),
                 nlp::halt);
    EXPECT_EQ(x(1), 0.0);
    EXPECT_EQ(g(1), -10.0);
}

// f = (t - 0.3)^2 along d = 1 from 0, NaN on (0.29, 0.31): the first cubic step lands on about
// 0.3, a NaN trial that becomes the high end; sectioning then bisects up to the hole's edge.
struct holed : nlp_test::recorder {
    std::size_t nans = 0;
    double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
        note(n, x);
        const double t = x(1);
        if (0.29 < t && t < 0.31) {
            ++nans;
            g(1) = std::numeric_limits<double>::quiet_NaN();
            return g(1);
        }
        g(1) = 2.0 * (t - 0.3);
        return (t - 0.3) * (t - 0.3);
    }
};

TEST(nlp_linesearch, NaNTrialsInsideSectioningArePassedThroughAsBefore) {
    // search limit, NaN trials on the way, the step and energy the search always returned
    const struct {
        std::int32_t limit;
        std::size_t nans;
        double step, energy;
    } cases[] = {
        {5, 1, 0x1.2000000000001p-2, 0x1.70a3d70a3d6dcp-12},
        {8, 2, 0x1.2733333333334p-2, 0x1.1ffffffffffdp-13},
    };
    for (const auto& c : cases) {
        holed objective;
        terms::real_vector x = vec({0.0}), g(1, 1);
        const terms::real_vector d = vec({1.0});
        const double f0 = objective(1, x, g);
        objective.points.clear();
        double step = 0.0;
        const double f = nlp::linesearch(objective, search(c.limit, 0.9), 1, f0, x, g, d, &step);
        EXPECT_EQ(objective.nans, c.nans) << c.limit;
        EXPECT_EQ(objective.calls(), static_cast<std::size_t>(c.limit) + 1) << c.limit;
        EXPECT_EQ(step, c.step) << c.limit;
        EXPECT_EQ(f, c.energy) << c.limit;
        EXPECT_EQ(x(1), c.step) << c.limit;
    }
}

}  // namespace
