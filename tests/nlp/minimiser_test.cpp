// The three minimisers on problems with known minimisers, their stopping rule and result, and
// the paths that leave them by an exception.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "nlp/minimiser.hpp"
#include "objectives.hpp"

namespace {

using nlp_test::quadratic;
using nlp_test::rosenbrock;

enum class method { lbfgs, mbfgs, bfgs };

std::string name_of(method m) {
    switch (m) {
        case method::lbfgs:
            return "lbfgs";
        case method::mbfgs:
            return "mbfgs";
        case method::bfgs:
            return "bfgs";
    }
    return "";
}
void PrintTo(method m, std::ostream* out) {
    *out << name_of(m);
}

template <class Objective>
nlp::minimiser_result run(method m, Objective& objective, std::int32_t n,
                          std::int32_t max_iterations, double tolerance, terms::real_vector& x,
                          terms::real_vector& g, std::int32_t memory_size = 5) {
    nlp::minimiser minimiser(objective);
    switch (m) {
        case method::lbfgs:
            return minimiser.lbfgs(nlp_test::lbfgs_with(memory_size, max_iterations, tolerance), n,
                                   x, g);
        case method::mbfgs:
            return minimiser.mbfgs(nlp_test::bfgs_with(max_iterations, tolerance), n, x, g);
        case method::bfgs:
            return minimiser.bfgs(nlp_test::bfgs_with(max_iterations, tolerance), n, x, g);
    }
    return {};
}

class nlp_minimiser : public testing::TestWithParam<method> {};

TEST_P(nlp_minimiser, Quadratic) {
    quadratic objective;
    const std::int32_t n = 10;
    terms::real_vector x(1, n), g(1, n);
    const nlp::minimiser_result result = run(GetParam(), objective, n, 500, 1e-10, x, g);
    EXPECT_TRUE(result.optimal);
    EXPECT_LE(nlp::norm(n, g), 1e-10);
    EXPECT_GE(result.minor, 2);
    EXPECT_LT(result.minor, 500);
    for (std::int32_t i = 1; i <= n; ++i) EXPECT_NEAR(x(i), quadratic::minimiser(i), 1e-9) << i;
    // energy is that of the returned point, gradient too
    terms::real_vector check(1, n);
    EXPECT_EQ(result.energy, objective(n, x, check));
    for (std::int32_t i = 1; i <= n; ++i) EXPECT_EQ(g(i), check(i));
}

TEST_P(nlp_minimiser, ExtendedRosenbrock) {
    rosenbrock objective;
    const std::int32_t n = 10;
    terms::real_vector x = rosenbrock::start(n), g(1, n);
    const nlp::minimiser_result result = run(GetParam(), objective, n, 2000, 1e-8, x, g);
    EXPECT_TRUE(result.optimal) << "minor " << result.minor;
    EXPECT_LE(nlp::norm(n, g), 1e-8);
    for (std::int32_t i = 1; i <= n; ++i) EXPECT_NEAR(x(i), 1.0, 1e-6) << i;
    EXPECT_NEAR(result.energy, 0.0, 1e-12);
}

TEST_P(nlp_minimiser, OneIterationAtMost) {
    for (const std::int32_t limit : {1, 0, -7}) {
        quadratic objective;
        terms::real_vector x(1, 4), g(1, 4);
        const nlp::minimiser_result result = run(GetParam(), objective, 4, limit, 1e-10, x, g);
        EXPECT_EQ(result.minor, 1) << limit;
        EXPECT_FALSE(result.optimal);
        // the start point was not optimal; the result reflects the final gradient
        EXPECT_EQ(result.optimal, nlp::norm(4, g) <= 1e-10);
    }
}

TEST_P(nlp_minimiser, IterationLimitLeavesItNotOptimal) {
    rosenbrock objective;
    terms::real_vector x = rosenbrock::start(4), g(1, 4);
    const nlp::minimiser_result result = run(GetParam(), objective, 4, 3, 1e-8, x, g);
    EXPECT_EQ(result.minor, 3);
    EXPECT_FALSE(result.optimal);
}

TEST_P(nlp_minimiser, StartInsideTheToleranceStillSearchesOnce) {
    quadratic objective;
    terms::real_vector x(1, 3), g(1, 3);
    const nlp::minimiser_result result = run(GetParam(), objective, 3, 100, 1e3, x, g);
    EXPECT_EQ(result.minor, 1);
    EXPECT_TRUE(result.optimal);
    EXPECT_GE(objective.calls(), 3u);  // start, unit step, one sectioning trial at least
}

TEST_P(nlp_minimiser, EntryContentsOfGAreNotRead) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    quadratic first, second;
    terms::real_vector x1(1, 5), g1(1, 5), x2(1, 5), g2(1, 5);
    for (std::int32_t i = 1; i <= 5; ++i) g2(i) = nan;
    const nlp::minimiser_result a = run(GetParam(), first, 5, 8, 1e-12, x1, g1);
    const nlp::minimiser_result b = run(GetParam(), second, 5, 8, 1e-12, x2, g2);
    EXPECT_EQ(a.minor, b.minor);
    EXPECT_EQ(a.energy, b.energy);
    for (std::int32_t i = 1; i <= 5; ++i) EXPECT_EQ(x1(i), x2(i));
}

TEST_P(nlp_minimiser, ZeroGradientAtTheStartHalts) {
    quadratic objective;
    terms::real_vector x(1, 3), g(1, 3);
    for (std::int32_t i = 1; i <= 3; ++i) x(i) = quadratic::minimiser(i);
    // A x = A m exactly at the minimiser
    testing::internal::CaptureStdout();
    EXPECT_THROW(run(GetParam(), objective, 3, 100, 1e-8, x, g), nlp::halt);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // its caller reports a halt
}

TEST_P(nlp_minimiser, NoUnknownsHalts) {
    quadratic objective;
    terms::real_vector x, g;
    testing::internal::CaptureStdout();
    EXPECT_THROW(run(GetParam(), objective, 0, 100, 1e-8, x, g), nlp::halt);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_P(nlp_minimiser, HaltAfterTheStorageIsBuiltLeavesNothingBehind) {
    // f = |x|^2 from (1, 1, 1): the first search lands exactly on 0; with a negative tolerance
    // the loop goes on, the direction at a zero gradient is zero, and the second search halts.
    struct sphere : nlp_test::recorder {
        double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
            note(n, x);
            double f = 0.0;
            for (std::int32_t i = 1; i <= n; ++i) {
                g(i) = 2.0 * x(i);
                f += x(i) * x(i);
            }
            return f;
        }
    } objective;
    terms::real_vector x = nlp_test::vec({1.0, 1.0, 1.0}), g(1, 3);
    testing::internal::CaptureStdout();
    EXPECT_THROW(run(GetParam(), objective, 3, 100, -1.0, x, g), nlp::halt);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(x(1), 0.0);
    EXPECT_EQ(nlp::norm(3, g), 0.0);
}

TEST_P(nlp_minimiser, ObjectiveErrorsPassThroughMidRun) {
    struct failing : rosenbrock {
        double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
            if (calls() == 40) throw nlp_test::stop_run();
            return rosenbrock::operator()(n, x, g);
        }
    } objective;
    terms::real_vector x = rosenbrock::start(6), g(1, 6);
    EXPECT_THROW(run(GetParam(), objective, 6, 1000, 1e-12, x, g, 3), nlp_test::stop_run);
    EXPECT_EQ(objective.calls(), 40u);
}

TEST_P(nlp_minimiser, NaNGradientIsNeverOptimal) {
    // every gradient entry NaN: the norm passes them over (0), so the stopping flag checks for
    // NaN itself; and the first direction, -g, is NaN, so no trial of the first search is
    // finite: the search halts with x and g back at the start
    struct broken : nlp_test::recorder {
        double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
            note(n, x);
            for (std::int32_t i = 1; i <= n; ++i) g(i) = std::numeric_limits<double>::quiet_NaN();
            return x(1) * x(1);
        }
    } objective;
    terms::real_vector x = nlp_test::vec({1.0, 2.0}), g(1, 2);
    testing::internal::CaptureStdout();
    EXPECT_THROW(run(GetParam(), objective, 2, 50, 1e-6, x, g), nlp::halt);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(nlp_test::values(x, 2), (std::vector<double>{1.0, 2.0}));
    EXPECT_EQ(nlp::norm(2, g), 0.0);
    EXPECT_FALSE(nlp::is_optimal(2, g, 1.0, 1e-6));
    EXPECT_TRUE(nlp::is_optimal(2, nlp_test::vec({1e-7, 0.0}), 1.0, 1e-6));
}

TEST_P(nlp_minimiser, NaNEnergyIsNeverOptimal) {
    // the energy NaN everywhere, the start included: no trial is finite, the first search halts
    struct broken : nlp_test::recorder {
        double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
            note(n, x);
            for (std::int32_t i = 1; i <= n; ++i) g(i) = 1e-9;
            return std::numeric_limits<double>::quiet_NaN();
        }
    } objective;
    terms::real_vector x = nlp_test::vec({1.0, 2.0}), g(1, 2);
    EXPECT_THROW(run(GetParam(), objective, 2, 50, 1e-6, x, g), nlp::halt);
    EXPECT_EQ(nlp_test::values(x, 2), (std::vector<double>{1.0, 2.0}));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(nlp::is_optimal(2, g, nan, 1e-6));
    EXPECT_TRUE(nlp::is_optimal(2, g, 0.0, 1e-6));
}

TEST_P(nlp_minimiser, EveryIterateOfAnObjectiveUndefinedPastAWallIsFinite) {
    // f = sum (x(i) - 1)^2 while every x(i) <= 0.001, NaN beyond: the minimiser presses against
    // the wall, its searches meeting NaN trials. Whatever ends the run, nothing it hands back
    // or shows is NaN.
    struct walled : nlp_test::recorder {
        double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
            note(n, x);
            double f = 0.0;
            bool beyond = false;
            for (std::int32_t i = 1; i <= n; ++i) {
                g(i) = 2.0 * (x(i) - 1.0);
                f += (x(i) - 1.0) * (x(i) - 1.0);
                beyond = beyond || x(i) > 0.001;
            }
            return beyond ? std::numeric_limits<double>::quiet_NaN() : f;
        }
    } objective;
    terms::real_vector x(1, 3), g(1, 3);
    try {
        const nlp::minimiser_result result = run(GetParam(), objective, 3, 200, 1e-8, x, g);
        EXPECT_FALSE(result.optimal);
        EXPECT_TRUE(std::isfinite(result.energy));
        terms::real_vector check(1, 3);
        EXPECT_EQ(result.energy, objective(3, x, check));
    } catch (const nlp::halt&) {
        // a halt leaves x at the start of its search, an iterate
    }
    for (std::int32_t i = 1; i <= 3; ++i) {
        EXPECT_LE(x(i), 0.001) << i;
        EXPECT_TRUE(std::isfinite(g(i))) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(AllMethods, nlp_minimiser,
                         testing::Values(method::lbfgs, method::mbfgs, method::bfgs),
                         [](const testing::TestParamInfo<method>& info) {
                             return name_of(info.param);
                         });

TEST(nlp_lbfgs, MemorySizeDoesNotChangeTheFirstTwoIterations) {
    // with one stored pair, every memory size builds the same second direction
    rosenbrock a, b;
    terms::real_vector xa = rosenbrock::start(4), ga(1, 4), xb = rosenbrock::start(4), gb(1, 4);
    nlp::minimiser(a).lbfgs(nlp_test::lbfgs_with(1, 2, 1e-12), 4, xa, ga);
    nlp::minimiser(b).lbfgs(nlp_test::lbfgs_with(7, 2, 1e-12), 4, xb, gb);
    for (std::int32_t i = 1; i <= 4; ++i) EXPECT_EQ(xa(i), xb(i));
}

TEST(nlp_lbfgs, MoreMemoryChangesLaterIterations) {
    rosenbrock a, b;
    terms::real_vector xa = rosenbrock::start(4), ga(1, 4), xb = rosenbrock::start(4), gb(1, 4);
    nlp::minimiser(a).lbfgs(nlp_test::lbfgs_with(1, 6, 1e-12), 4, xa, ga);
    nlp::minimiser(b).lbfgs(nlp_test::lbfgs_with(7, 6, 1e-12), 4, xb, gb);
    double difference = 0.0;
    for (std::int32_t i = 1; i <= 4; ++i) difference += std::abs(xa(i) - xb(i));
    EXPECT_GT(difference, 1e-6);
}

TEST(nlp_lbfgs, KeepsExactlyMemorySizePairs) {
    // The direction of iteration k uses the pairs of the min(k - 1, memory_size) iterations
    // before it: memory sizes m and m + 1 agree through iteration m + 1 and part at m + 2.
    const auto run_lbfgs = [](std::int32_t memory_size, std::int32_t iterations) {
        rosenbrock objective;
        terms::real_vector x = rosenbrock::start(6), g(1, 6);
        nlp::minimiser(objective).lbfgs(nlp_test::lbfgs_with(memory_size, iterations, 1e-14), 6, x,
                                        g);
        return nlp_test::values(x, 6);
    };
    for (const std::int32_t m : {1, 2, 3}) {
        EXPECT_EQ(run_lbfgs(m, m + 1), run_lbfgs(m + 1, m + 1)) << m;
        EXPECT_NE(run_lbfgs(m, m + 2), run_lbfgs(m + 1, m + 2)) << m;
    }
    EXPECT_EQ(run_lbfgs(0, 4), run_lbfgs(1, 4));
    EXPECT_EQ(run_lbfgs(-3, 4), run_lbfgs(1, 4));
}

TEST(nlp_lbfgs, ASearchThatDoesNotMoveXEndsTheRunNotOptimal) {
    // f = 1e-10 x from x = 1e20: every trial x + t d with t <= 1 rounds back to x, so the first
    // pair is s = y = 0, from which the recursion would divide 0 by 0
    struct level : nlp_test::recorder {
        double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
            note(n, x);
            g(1) = 1e-10;
            return 1e-10 * x(1);
        }
    } objective;
    terms::real_vector x = nlp_test::vec({1e20}), g(1, 1);
    std::vector<double> energies;
    const nlp::minimiser_result result =
        nlp::lbfgs(objective, nlp_test::lbfgs_with(5, 100, 1e-12), 1, x, g,
                   [&](const nlp::iteration_state& state) { energies.push_back(state.energy); });
    const double start_energy = 1e-10 * 1e20;
    EXPECT_EQ(result.minor, 1);
    EXPECT_EQ(result.energy, start_energy);
    EXPECT_FALSE(result.optimal);
    EXPECT_EQ(x(1), 1e20);
    EXPECT_EQ(energies, (std::vector<double>{start_energy, start_energy}));
    for (const std::vector<double>& point : objective.points) EXPECT_EQ(point[0], 1e20);
}

TEST(nlp_settings, CountsBelowOneActAsOneAndTheRealsAreKept) {
    const nlp::lbfgs_settings used = nlp::normalised(
        nlp::lbfgs_settings{.memory_size = 0,
                            .max_iterations = -7,
                            .tolerance = -1.0,
                            .search = {.search_limit = std::numeric_limits<std::int32_t>::min(),
                                       .search_factor = -0.5}});
    EXPECT_EQ(used.memory_size, 1);
    EXPECT_EQ(used.max_iterations, 1);
    EXPECT_EQ(used.search.search_limit, 1);
    EXPECT_EQ(used.search.retreat_limit, 30);  // the default, kept
    EXPECT_EQ(used.tolerance, -1.0);
    EXPECT_EQ(used.search.search_factor, -0.5);
    nlp::bfgs_settings none;
    none.max_iterations = 0;
    EXPECT_EQ(nlp::normalised(none).max_iterations, 1);
    EXPECT_EQ(nlp::normalised(used).search.search_limit, 1);
    EXPECT_EQ(nlp::normalised(nlp::search_settings{.retreat_limit = -3}).retreat_limit, 0);
    EXPECT_EQ(nlp::normalised(nlp::search_settings{.retreat_limit = 0}).retreat_limit, 0);
    const nlp::newton_settings newton =
        nlp::normalised(nlp::newton_settings{.nonmonotone_memory = -4, .nonmonotone_rise = NAN});
    EXPECT_EQ(newton.nonmonotone_memory, 1);
    EXPECT_EQ(newton.nonmonotone_rise, 0.0);
}

TEST(nlp_mbfgs, FollowsLbfgsWithOnePair) {
    for (const std::int32_t iterations : {2, 3, 5, 8}) {
        rosenbrock a, b;
        terms::real_vector xa = rosenbrock::start(6), ga(1, 6), xb = rosenbrock::start(6), gb(1, 6);
        const nlp::minimiser_result ra =
            nlp::minimiser(a).lbfgs(nlp_test::lbfgs_with(1, iterations, 1e-12), 6, xa, ga);
        const nlp::minimiser_result rb =
            nlp::minimiser(b).mbfgs(nlp_test::bfgs_with(iterations, 1e-12), 6, xb, gb);
        EXPECT_EQ(ra.minor, rb.minor);
        EXPECT_EQ(a.calls(), b.calls()) << iterations;
        for (std::int32_t i = 1; i <= 6; ++i)
            EXPECT_NEAR(xa(i), xb(i), 1e-10 * std::abs(xa(i)) + 1e-14) << iterations << " " << i;
        EXPECT_NEAR(ra.energy, rb.energy, 1e-10 * std::abs(ra.energy));
    }
}

TEST(nlp_minimiser_class, PlainFunctionAsObjective) {
    struct local {
        static double objective(std::int32_t n, const terms::real_vector& x,
                                terms::real_vector& g) {
            double f = 0.0;
            for (std::int32_t i = 1; i <= n; ++i) {
                g(i) = 2.0 * (x(i) - 3.0);
                f += (x(i) - 3.0) * (x(i) - 3.0);
            }
            return f;
        }
    };
    nlp::minimiser minimiser(local::objective);
    terms::real_vector x(1, 2), g(1, 2);
    const nlp::minimiser_result result = minimiser.lbfgs({.memory_size = 3,
                                                          .max_iterations = 50,
                                                          .tolerance = 1e-10,
                                                          .search = {.search_limit = 10}},
                                                         2, x, g);
    EXPECT_TRUE(result.optimal);
    EXPECT_NEAR(x(1), 3.0, 1e-10);
}

}  // namespace
