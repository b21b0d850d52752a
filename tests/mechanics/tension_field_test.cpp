// The relaxation by the in-plane invariants: the natural width of every incompressible law
// against its closed form lambda1^(-1/2), the energy continuous across the taut / wrinkled and
// wrinkled / slack boundaries (the element's derivatives there: relaxed_element_test.cpp), and
// degenerate states left to the law's own formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "dorvan/kinematics.hpp"
#include "melvar/kinematics.hpp"

namespace {

using sheet::tension_state;

template <class Law>
sheet::relaxed_density relaxed(const Law& law, double a, double b) {
    return sheet::relax<2>(melvar::stretch_density<Law>{law}, a + b, a * b, 0.0);
}
template <class Law>
double energy(const Law& law, double a, double b) {  // the law's where taut
    const sheet::relaxed_density d = relaxed(law, a, b);
    return d.state == tension_state::taut ? melvar::stretch_density<Law>{law}(a, b, 0.0) : d.w;
}

template <class Law>
void check_law(const Law& law) {
    for (const double stretch : {1.05, 1.5, 3.0}) {
        const sheet::relaxed_density d = relaxed(law, stretch * stretch, 0.25 / stretch);
        ASSERT_EQ(d.state, tension_state::wrinkled) << stretch;
        EXPECT_NEAR(d.natural, 1.0 / stretch, 1e-14) << stretch;
        // either side of the natural width, and of the natural length 1
        const double a = stretch * stretch, step = 1e-7;
        EXPECT_EQ(relaxed(law, a, d.natural * (1.0 + step)).state, tension_state::taut);
        EXPECT_NEAR(energy(law, a, d.natural * (1.0 - step)),
                    energy(law, a, d.natural * (1.0 + step)), 1e-12 * d.w);
    }
    EXPECT_EQ(relaxed(law, 1.0 - 1e-7, 0.5).state, tension_state::slack);
    EXPECT_EQ(relaxed(law, 1.0 + 1e-7, 0.5).state, tension_state::wrinkled);
    EXPECT_NEAR(energy(law, 1.0 - 1e-7, 0.5), energy(law, 1.0 + 1e-7, 0.5), 1e-12);
    // no area, no number: the law's formulas give what they give
    EXPECT_EQ(sheet::relax<2>(melvar::stretch_density<Law>{law}, 2.0, 0.0, 0.0).state,
              tension_state::taut);
    EXPECT_EQ(sheet::relax<2>(melvar::stretch_density<Law>{law}, std::nan(""), 1.0, 0.0).state,
              tension_state::taut);
}

TEST(relaxation, of_each_incompressible_law_is_continuous_at_its_natural_width_and_length) {
    melvar::arruda_boyce boyce{0.9, 2.0, {}};
    boyce.derive();
    check_law(melvar::neo_hookean{1.0});
    check_law(melvar::mooney_rivlin{0.4, 0.1});
    check_law(boyce);
    const dorvan::neo_hookean neo{1.0, 4.0};
    EXPECT_EQ(
        sheet::relax<3>(dorvan::stretch_density<dorvan::neo_hookean>{neo}, 2.0, 0.5, std::nan(""))
            .state,
        tension_state::taut);
}

// The root finder behind the natural width and length (whose closed forms are checked above):
// from the root itself it stops after one value; from a far guess it brackets and finds the root
// to the last bits; with a slope that says nothing it bisects; with no root or no number, NaN.
struct root_case {
    const char* name;
    std::function<double(double, double&)> f;
    double guess, root;  // root NaN: none to find
    int most_values;     // of f, at most
};

TEST(rising_root, finds_the_root_from_near_and_far_or_says_there_is_none) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    const auto square_less_2 = [](double x, double& df) {
        df = 2.0 * x;
        return x * x - 2.0;
    };
    const auto affine = [](double root, double slope) {  // x - root, its slope said to be slope
        return [=](double x, double& df) { return df = slope, x - root; };
    };
    const auto constant = [](double value) {
        return [=](double, double& df) { return df = 0.0, value; };
    };
    const root_case cases[] = {
        {"at the root", square_less_2, std::sqrt(2.0), std::sqrt(2.0), 2},
        {"below", square_less_2, 1e-100, std::sqrt(2.0), 400},
        {"above", square_less_2, 1e100, std::sqrt(2.0), 400},
        {"slope 0", affine(3.0, 0.0), 1.0, 3.0, 100},
        {"slope of the wrong sign", affine(3.0, -1.0), 1.0, 3.0, 100},
        {"no guess", square_less_2, 0.0, nan, 0},
        {"never rising", constant(-1.0), 1.0, nan, 1300},
        {"never falling", constant(1.0), 1.0, nan, 1300},
        {"no number", constant(nan), 1.0, nan, 1},
    };
    for (const root_case& c : cases) {
        int values = 0;
        const double x = sheet::detail::rising_root(
            [&](double at, double& df) {
                ++values;
                return c.f(at, df);
            },
            c.guess);
        if (std::isnan(c.root))
            EXPECT_TRUE(std::isnan(x)) << c.name << ": " << x;
        else
            EXPECT_NEAR(x, c.root, 4e-16 * c.root) << c.name;
        EXPECT_LE(values, c.most_values) << c.name;
    }
}

}  // namespace
