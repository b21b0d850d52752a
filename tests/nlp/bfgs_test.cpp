// The dense BFGS: its packed matrix positions, its update in one dimension, and the cases it
// refuses.
#include <cmath>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "nlp/qn.hpp"
#include "objectives.hpp"

namespace {

TEST(Pos, DiagonalsInTurn) {
    using q = nlp::qn<nlp_test::quadratic>;
    EXPECT_EQ(q::pos(3, 1, 1), 1);
    EXPECT_EQ(q::pos(3, 2, 2), 2);
    EXPECT_EQ(q::pos(3, 3, 3), 3);
    EXPECT_EQ(q::pos(3, 2, 1), 4);  // (1, 2)
    EXPECT_EQ(q::pos(3, 3, 2), 5);  // (2, 3)
    EXPECT_EQ(q::pos(3, 3, 1), 6);  // (1, 3)
}

TEST(Pos, CoversThePackedTriangleOnce) {
    const std::int32_t n = 7;
    std::vector<int> seen(n * (n + 1) / 2 + 1, 0);
    for (std::int32_t i = 1; i <= n; ++i)
        for (std::int32_t j = i; j <= n; ++j) ++seen[static_cast<std::size_t>(nlp::pos(n, j, i))];
    for (std::size_t p = 1; p < seen.size(); ++p) EXPECT_EQ(seen[p], 1) << p;
    EXPECT_EQ(nlp::pos(n, n, 1), n * (n + 1) / 2);
}

// f = x^4 / 4 + x^2 in one unknown.
struct quartic : nlp_test::recorder {
    double operator()(std::int32_t n, const terms::fmat1& x, terms::fmat1& g) {
        note(n, x);
        g(1) = x(1) * x(1) * x(1) + 2.0 * x(1);
        return 0.25 * x(1) * x(1) * x(1) * x(1) + x(1) * x(1);
    }
};

TEST(Bfgs, OneUnknownUpdatesToTheInverseSecantSlope) {
    // After one iteration H = s / y, so the second search starts with the unit step x1 - g1 s/y.
    quartic first;
    terms::fmat1 x = nlp_test::vec({1.5}), g(1, 1);
    nlp::qn(first).bfgs(1, 1, 20, 1e-12, 0.9, x, g);
    const double x1 = x(1), g1 = g(1);
    const double s = x1 - 1.5;
    terms::fmat1 g0(1, 1);
    quartic scratch;
    scratch(1, nlp_test::vec({1.5}), g0);
    const double y = g1 - g0(1);

    quartic second;
    terms::fmat1 x2 = nlp_test::vec({1.5}), g2(1, 1);
    nlp::qn(second).bfgs(1, 2, 20, 1e-12, 0.9, x2, g2);
    ASSERT_GT(second.calls(), first.calls());
    const double unit_step = second.points[first.calls()][0];
    EXPECT_NEAR(unit_step - x1, -(s / y) * g1, 1e-14 * std::abs(x1) + 1e-16);
}

TEST(Bfgs, StartsWithSteepestDescent) {
    nlp_test::quadratic objective;
    terms::fmat1 x(1, 3), g(1, 3);
    nlp::qn(objective).bfgs(3, 1, 20, 1e-12, 0.9, x, g);
    // start 0: g0 = -A m, unit step x = -g0
    terms::fmat1 g0(1, 3);
    nlp_test::quadratic scratch;
    scratch(3, terms::fmat1(1, 3), g0);
    for (std::int32_t i = 1; i <= 3; ++i) EXPECT_EQ(objective.points[1][static_cast<std::size_t>(i - 1)], -g0(i));
}

TEST(Bfgs, TooManyUnknownsForThePackedMatrixIsAnError) {
    nlp_test::quadratic objective;
    terms::fmat1 x(1, 70000), g(1, 70000);
    try {
        nlp::qn(objective).bfgs(70000, 10, 20, 1e-8, 0.9, x, g);
        ADD_FAILURE() << "no error";
    } catch (const nlp::numeric_error& error) {
        EXPECT_NE(std::string(error.what()).find("bfgs"), std::string::npos);
    }
    EXPECT_EQ(objective.calls(), 0u);
}

TEST(Bfgs, ProductOfThePackedLengthMustFit32Bits) {
    // ((n + 1) n) / 2 is formed in 32-bit integers: the product overflows from n = 46341
    nlp_test::quadratic objective;
    terms::fmat1 x(1, 46341), g(1, 46341);
    EXPECT_THROW(nlp::qn(objective).bfgs(46341, 10, 20, 1e-8, 0.9, x, g), nlp::numeric_error);
    EXPECT_EQ(nlp::detail::packed_length(46340), 46340 * 46341 / 2);
    EXPECT_EQ(nlp::detail::packed_length(3), 6);
    EXPECT_EQ(nlp::detail::packed_length(0), 0);
}

TEST(Bfgs, NegativeYHyIsAnError) {
    EXPECT_THROW(nlp::detail::root_of_yhy(-1e-300), nlp::numeric_error);
    EXPECT_EQ(nlp::detail::root_of_yhy(4.0), 2.0);
    EXPECT_EQ(nlp::detail::root_of_yhy(0.0), 0.0);
    EXPECT_EQ(nlp::detail::root_of_yhy(-0.0), 0.0);
    EXPECT_TRUE(std::isnan(nlp::detail::root_of_yhy(NAN)));
}

}  // namespace
