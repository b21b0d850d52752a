// The interpolation that picks sectioning steps, and the maximum norm.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "nlp/linesearch.hpp"
#include "nlp/norm.hpp"
#include "objectives.hpp"

namespace {

using nlp::cubic;

TEST(nlp_cubic, MinimiserOfAParabolaMatchedAtBothEnds) {
    // (t - 0.3)^2 on [0, 1]
    EXPECT_NEAR(cubic(0.0, 1.0, 0.09, 0.49, -0.6, 1.4), 0.3, 1e-15);
}

TEST(nlp_cubic, MinimiserOfACubic) {
    // t^3 - t on [0, 1]
    EXPECT_NEAR(cubic(0.0, 1.0, 0.0, 0.0, -1.0, 2.0), 1.0 / std::sqrt(3.0), 1e-15);
}

TEST(nlp_cubic, StepOutsideTheBracketGivesTheMidpoint) {
    // the interpolated step is about 1.215
    EXPECT_EQ(cubic(0.0, 1.0, 0.0, -1.0, -1.0, -0.5), 0.5);
    EXPECT_EQ(cubic(2.0, 4.0, 0.0, -2.0, -1.0, -0.5), 3.0);
}

TEST(nlp_cubic, ZeroSlopeAtAnEndReturnsThatEnd) {
    EXPECT_EQ(cubic(1.0, 3.0, 5.0, 2.0, 0.0, 1.0), 1.0);
    EXPECT_EQ(cubic(1.0, 3.0, 5.0, 2.0, -1.0, 0.0), 3.0);
    EXPECT_EQ(cubic(1.0, 3.0, 5.0, 2.0, 0.0, 0.0), 1.0);  // da is tested first
    EXPECT_EQ(cubic(1.0, 3.0, 5.0, 2.0, -0.0, 1.0), 1.0);
}

TEST(nlp_cubic, SameSignsWithoutRealMinimiserGiveTheMidpoint) {
    // theta = 3 (4/3) / 2 - 1 - 1 = 0 < s = 1
    EXPECT_EQ(cubic(1.0, 3.0, 0.0, -4.0 / 3.0, -1.0, -1.0), 2.0);
    EXPECT_EQ(cubic(1.0, 3.0, 0.0, 4.0 / 3.0, 1.0, 1.0), 2.0);
}

TEST(nlp_cubic, ExactOnACubicAndSafeguardedOutsideTheBracket) {
    // f = t^3 - 3t, minimiser t = 1
    const auto f = [](double t) { return t * t * t - 3.0 * t; };
    const auto df = [](double t) { return 3.0 * t * t - 3.0; };
    // both slopes negative on [-0.5, 0.9]: the interpolated step is 1, beyond b
    EXPECT_EQ(cubic(-0.5, 0.9, f(-0.5), f(0.9), df(-0.5), df(0.9)), (-0.5 + 0.9) * 0.5);
    // the slopes change sign on [0, 1.5]: the interpolation is exact
    EXPECT_NEAR(cubic(0.0, 1.5, f(0.0), f(1.5), df(0.0), df(1.5)), 1.0, 1e-14);
}

TEST(nlp_cubic, NaNInputsGiveTheMidpoint) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(cubic(0.0, 1.0, nan, 0.0, -1.0, 1.0), 0.5);
    EXPECT_EQ(cubic(0.0, 1.0, 0.0, 0.0, -1.0, nan), 0.5);
}

TEST(nlp_cubic, MinimiserOfACubicWhoseThetaIsPositive) {
    // f = t^3 - 1.5 t^2 on [0.5, 2]: minimiser t = 1, theta > 0 takes the cancellation-free z
    const auto f = [](double t) { return t * t * t - 1.5 * t * t; };
    const auto df = [](double t) { return 3.0 * t * t - 3.0 * t; };
    EXPECT_NEAR(cubic(0.5, 2.0, f(0.5), f(2.0), df(0.5), df(2.0)), 1.0, 1e-14);
}

TEST(nlp_cubic, KeepsItsDigitsWhenThetaDominatesTheSlopes) {
    // theta = 1e4 against da db = -1e-8: gamma - theta would cancel to 0, losing z = 5e-13,
    // which here is a relative 5e-9 of the step
    const double t = cubic(-1.0, 0.0, 1e4 / 3.0, 0.0, -1e-4, 1e-4);
    const double z = 1e-8 / (2.0 * 1e4);
    const double expected = -(1e-4 + z) / (2e-4 + 2.0 * 1e4);
    EXPECT_NEAR(t, expected, 1e-12 * std::abs(expected));
}

TEST(nlp_norm, LargestMagnitude) {
    const terms::real_vector x = nlp_test::vec({-2.0, 1.0, 0.5});
    EXPECT_EQ(nlp::norm(3, x), 2.0);
    EXPECT_EQ(nlp::norm(2, x), 2.0);
    EXPECT_EQ(nlp::norm(0, x), 0.0);
    EXPECT_EQ(nlp::norm(-4, x), 0.0);
}

TEST(nlp_norm, NaNEntriesArePassedOver) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(nlp::norm(3, nlp_test::vec({-2.0, nan, 0.5})), 2.0);
    EXPECT_EQ(nlp::norm(3, nlp_test::vec({nan, 1.0, -3.0})), 3.0);
    EXPECT_EQ(nlp::norm(2, nlp_test::vec({nan, nan})), 0.0);
    for (int at = 0; at < 11; ++at) {  // the largest anywhere in a longer vector
        std::vector<double> values{0.0, nan, 1.0, nan, nan, 2.0, nan, nan, 3.0, nan, -1.0};
        values[at] = -7.5;
        EXPECT_EQ(nlp::norm(11, nlp_test::vec(values)), 7.5) << at;
    }
}

TEST(nlp_norm, InfinityCounts) {
    EXPECT_EQ(nlp::norm(2, nlp_test::vec({1.0, -INFINITY})), INFINITY);
}

TEST(nlp_norm, VectorShorterThanNIsARangeError) {
    EXPECT_THROW(nlp::norm(4, nlp_test::vec({1.0, 2.0, 3.0})), terms::range_error);
}

}  // namespace
