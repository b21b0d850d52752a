// Newton's nonmonotone search on the Rosenbrock valley, with the exact Hessian shifted just enough
// to be positive definite: each iterate's energy stays below the highest of the iterates the
// search remembers and within its bound above the one before, a memory of one or a bound of 0
// never goes uphill, and every search reaches the minimiser.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "nlp/newton.hpp"
#include "objectives.hpp"

namespace {

// The Newton system of the two-unknown Rosenbrock function: (H + mu I) d = -g, mu the least
// shift that leaves the smaller eigenvalue at 1e-3 at least.
struct rosenbrock_system {
    std::vector<double> slopes;  // of each direction, in order
    nlp::step_model direction(const terms::real_vector& x, const terms::real_vector& g,
                              terms::real_vector& d) {
        const double a = 1200.0 * x(1) * x(1) - 400.0 * x(2) + 2.0, b = -400.0 * x(1), c = 200.0;
        const double smallest = 0.5 * (a + c) - std::hypot(0.5 * (a - c), b);
        const double mu = std::max(0.0, 1e-3 - smallest), det = (a + mu) * (c + mu) - b * b;
        d(1) = -((c + mu) * g(1) - b * g(2)) / det;
        d(2) = -((a + mu) * g(2) - b * g(1)) / det;
        slopes.push_back(g(1) * d(1) + g(2) * d(2));
        return {slopes.back(), (a * d(1) + b * d(2)) * d(1) + (b * d(1) + c * d(2)) * d(2)};
    }
    bool admissible(const terms::real_vector&) const { return true; }
    void step_taken(double, double, bool) {}
};

struct search_case {
    std::int32_t memory;
    double rise;
    std::size_t iterations;
};

TEST(newton_search, each_energy_stays_below_the_highest_remembered_and_within_its_bound) {
    const search_case cases[] = {
        {1, 10.0, 25},    // monotone: one iterate remembered
        {10, 0.0, 25},    // monotone: no rise allowed
        {3, 10.0, 23},    // three remembered
        {10, 10.0, 16},   // the programs' settings
        {10, 1e300, 13},  // unbounded: the start's energy licenses any rise for ten iterations
    };
    for (const search_case& c : cases) {
        nlp_test::rosenbrock f;
        rosenbrock_system system;
        terms::real_vector x = nlp_test::rosenbrock::start(2), g(1, 2);
        nlp::newton_settings settings;
        settings.tolerance = 1e-10;
        settings.nonmonotone_memory = c.memory;
        settings.nonmonotone_rise = c.rise;
        std::vector<double> e;
        const nlp::minimiser_result result =
            nlp::newton(f, system, settings, 2, x, g,
                        [&](const nlp::iteration_state& s) { e.push_back(s.energy); });
        EXPECT_TRUE(result.optimal) << c.memory << " " << c.rise;
        EXPECT_NEAR(x(1), 1.0, 1e-9);
        EXPECT_NEAR(x(2), 1.0, 1e-9);
        bool rose = false;
        for (std::size_t k = 1; k < e.size(); ++k) {
            const std::size_t from = k > static_cast<std::size_t>(c.memory) ? k - c.memory : 0;
            EXPECT_LT(e[k], *std::max_element(e.begin() + from, e.begin() + k)) << k;
            EXPECT_LT(e[k], e[k - 1] - c.rise * system.slopes[k - 1]) << k;
            rose = rose || e[k] > e[k - 1];
        }
        EXPECT_EQ(rose, c.memory > 1 && c.rise > 0.0) << c.memory << " " << c.rise;
        EXPECT_EQ(e.size() - 1, c.iterations) << c.memory << " " << c.rise;
    }
}

}  // namespace
