// The dense BFGS: its packed matrix positions, its update in one dimension, and the cases it
// refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "nlp/minimiser.hpp"
#include "objectives.hpp"

namespace {

TEST(nlp_packed_position, DiagonalsInTurn) {
    using minimiser = nlp::minimiser<nlp_test::quadratic>;
    EXPECT_EQ(minimiser::packed_position(3, 1, 1), 1);
    EXPECT_EQ(minimiser::packed_position(3, 2, 2), 2);
    EXPECT_EQ(minimiser::packed_position(3, 3, 3), 3);
    EXPECT_EQ(minimiser::packed_position(3, 2, 1), 4);  // (1, 2)
    EXPECT_EQ(minimiser::packed_position(3, 3, 2), 5);  // (2, 3)
    EXPECT_EQ(minimiser::packed_position(3, 3, 1), 6);  // (1, 3)
}

TEST(nlp_packed_position, CoversThePackedTriangleOnce) {
    const std::int32_t n = 7;
    std::vector<int> seen(n * (n + 1) / 2 + 1, 0);
    for (std::int32_t i = 1; i <= n; ++i)
        for (std::int32_t j = i; j <= n; ++j)
            ++seen[static_cast<std::size_t>(nlp::packed_position(n, j, i))];
    for (std::size_t p = 1; p < seen.size(); ++p) EXPECT_EQ(seen[p], 1) << p;
    EXPECT_EQ(nlp::packed_position(n, n, 1), n * (n + 1) / 2);
}

// f = x^4 / 4 + x^2 in one unknown.
struct quartic : nlp_test::recorder {
    double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
        note(n, x);
        g(1) = x(1) * x(1) * x(1) + 2.0 * x(1);
        return 0.25 * x(1) * x(1) * x(1) * x(1) + x(1) * x(1);
    }
};

TEST(nlp_bfgs, OneUnknownUpdatesToTheInverseSecantSlope) {
    // After one iteration H = s / y, so the second search starts with the unit step x1 - g1 s/y.
    quartic first;
    terms::real_vector x = nlp_test::vec({1.5}), g(1, 1);
    nlp::minimiser(first).bfgs(nlp_test::bfgs_with(1, 1e-12), 1, x, g);
    const double x1 = x(1), g1 = g(1);
    const double s = x1 - 1.5;
    terms::real_vector g0(1, 1);
    quartic scratch;
    scratch(1, nlp_test::vec({1.5}), g0);
    const double y = g1 - g0(1);

    quartic second;
    terms::real_vector x2 = nlp_test::vec({1.5}), g2(1, 1);
    nlp::minimiser(second).bfgs(nlp_test::bfgs_with(2, 1e-12), 1, x2, g2);
    ASSERT_GT(second.calls(), first.calls());
    const double unit_step = second.points[first.calls()][0];
    EXPECT_NEAR(unit_step - x1, -(s / y) * g1, 1e-14 * std::abs(x1) + 1e-16);
}

TEST(nlp_bfgs, StartsWithSteepestDescent) {
    nlp_test::quadratic objective;
    terms::real_vector x(1, 3), g(1, 3);
    nlp::minimiser(objective).bfgs(nlp_test::bfgs_with(1, 1e-12), 3, x, g);
    ASSERT_GE(objective.calls(), 2u);
    // start 0: g0 = -A m, unit step x = -g0
    terms::real_vector g0(1, 3);
    nlp_test::quadratic scratch;
    scratch(3, terms::real_vector(1, 3), g0);
    for (std::int32_t i = 1; i <= 3; ++i)
        EXPECT_EQ(objective.points[1][static_cast<std::size_t>(i - 1)], -g0(i));
}

// A smooth non-quadratic problem in three unknowns.
struct bumpy : nlp_test::recorder {
    double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
        note(n, x);
        const double a = x(1) - 1.0, b = x(2) + 0.5, c = x(3) - 2.0;
        g(1) = 2.0 * a + 0.4 * a * a * a + 0.5 * b;
        g(2) = 3.0 * b + 0.5 * a + 0.2 * c;
        g(3) = 1.0 * c + 0.2 * b + 0.1 * c * c * c;
        return a * a + 0.1 * a * a * a * a + 1.5 * b * b + 0.5 * a * b + 0.5 * c * c + 0.2 * b * c +
               0.025 * c * c * c * c;
    }
};

TEST(nlp_bfgs, SelfScalingUpdateOfTheFullMatrix) {
    // Runs of 1, 2, 3 and 4 iterations give the points and gradients at the end of each search;
    // the unit step of each later search must be x - H g with H updated densely:
    // H := (sy / yHy) (H - Hy Hy' / yHy + yHy v v') + s s' / sy, v = s / sy - Hy / yHy.
    const std::int32_t n = 3;
    std::vector<std::vector<double>> xs, gs;
    std::vector<std::vector<double>> unit_steps;
    std::vector<std::size_t> calls;
    for (std::int32_t iterations = 0; iterations <= 4; ++iterations) {
        bumpy objective;
        terms::real_vector x(1, n), g(1, n);
        if (iterations == 0) {
            objective(n, x, g);
        } else {
            nlp::minimiser(objective).bfgs(nlp_test::bfgs_with(iterations, 1e-14), n, x, g);
        }
        xs.push_back(nlp_test::values(x, n));
        gs.push_back(nlp_test::values(g, n));
        calls.push_back(objective.calls());
        if (iterations >= 1) unit_steps.push_back(objective.points[calls[iterations - 1]]);
    }
    std::vector<std::vector<double>> h = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (std::size_t k = 0; k < 4; ++k) {
        if (k > 0) {
            std::vector<double> s(3), y(3), hy(3, 0.0), v(3);
            double sy = 0.0, yhy = 0.0;
            for (std::size_t i = 0; i < 3; ++i) {
                s[i] = xs[k][i] - xs[k - 1][i];
                y[i] = gs[k][i] - gs[k - 1][i];
            }
            for (std::size_t i = 0; i < 3; ++i)
                for (std::size_t j = 0; j < 3; ++j) hy[i] += h[i][j] * y[j];
            for (std::size_t i = 0; i < 3; ++i) {
                sy += s[i] * y[i];
                yhy += y[i] * hy[i];
            }
            for (std::size_t i = 0; i < 3; ++i) v[i] = s[i] / sy - hy[i] / yhy;
            for (std::size_t i = 0; i < 3; ++i)
                for (std::size_t j = 0; j < 3; ++j)
                    h[i][j] = (sy / yhy) * (h[i][j] - hy[i] * hy[j] / yhy + yhy * v[i] * v[j]) +
                              s[i] * s[j] / sy;
        }
        for (std::size_t i = 0; i < 3; ++i) {
            double hg = 0.0;
            for (std::size_t j = 0; j < 3; ++j) hg += h[i][j] * gs[k][j];
            EXPECT_NEAR(unit_steps[k][i], xs[k][i] - hg, 1e-12) << "iteration " << k + 1;
        }
    }
}

TEST(nlp_bfgs, TooManyUnknownsForThePackedMatrixIsAnError) {
    nlp_test::quadratic objective;
    terms::real_vector x(1, 70000), g(1, 70000);
    try {
        nlp::minimiser(objective).bfgs(nlp_test::bfgs_with(10, 1e-8), 70000, x, g);
        ADD_FAILURE() << "no error";
    } catch (const nlp::numeric_error& error) {
        EXPECT_NE(std::string(error.what()).find("bfgs"), std::string::npos);
    }
    EXPECT_EQ(objective.calls(), 0u);
}

TEST(nlp_bfgs, ProductOfThePackedLengthMustFit32Bits) {
    // ((n + 1) n) / 2 is formed in 32-bit integers: the product overflows from n = 46341
    nlp_test::quadratic objective;
    terms::real_vector x(1, 46341), g(1, 46341);
    EXPECT_THROW(nlp::minimiser(objective).bfgs(nlp_test::bfgs_with(10, 1e-8), 46341, x, g),
                 nlp::numeric_error);
    EXPECT_EQ(nlp::detail::packed_length(46340), 46340 * 46341 / 2);
    EXPECT_EQ(nlp::detail::packed_length(3), 6);
    EXPECT_EQ(nlp::detail::packed_length(0), 0);
}

TEST(nlp_bfgs, NegativeYHyIsAnError) {
    EXPECT_THROW(nlp::detail::root_of_yhy(-1e-300), nlp::numeric_error);
    EXPECT_EQ(nlp::detail::root_of_yhy(4.0), 2.0);
    EXPECT_EQ(nlp::detail::root_of_yhy(0.0), 0.0);
    EXPECT_EQ(nlp::detail::root_of_yhy(-0.0), 0.0);
    EXPECT_TRUE(std::isnan(nlp::detail::root_of_yhy(NAN)));
}

}  // namespace
