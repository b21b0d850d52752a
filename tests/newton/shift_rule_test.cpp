// The shift's rule after each step, call by call: raised from nothing to the first shift and
// tenfold by whole steps whose energy rose, lowered tenfold by whole steps the model foretold
// well (to nothing below the first), kept by fair ones and by steps cut for a triangle turned
// over, raised by a step cut for its energy; and a factorisation afresh after a step that rose.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sheet/solve/step_system.hpp"
#include "support/grid_matrix.hpp"

namespace {

struct taken {
    double t, ratio;
    bool uphill;
    double c_h, c_s;
    double shift;  // after it
};

TEST(shift_rule, follows_each_step_the_search_took) {
    const sheet::symmetric_matrix h = testing_support::grid_laplacian(4, 0.5);
    std::vector<double> s(h.stored(), 0.0);
    for (std::size_t j = 0; j < static_cast<std::size_t>(h.n); ++j)
        s[static_cast<std::size_t>(h.column_start[j + 1] - 1)] = 1.0;
    sheet::step_system system(h, s, {});
    const taken steps[] = {
        {1.0, -0.5, false, 1.0, 1.0, 1e-6},  // rose: from nothing to the first shift
        {1.0, -2.0, false, 1.0, 1.0, 1e-5},  // rose again: tenfold
        {1.0, 0.9, false, 1.0, 1.0, 1e-6},   // foretold well: a tenth
        {1.0, 0.5, false, 1.0, 1.0, 1e-6},   // fair: kept
        {0.25, 0.9, false, 1.0, 1.0, 1e-6},  // cut for a triangle turned over: kept
        {0.5, 0.9, true, 0.0, 1.0, 2e-6},    // cut for its energy at a half: tau / t
        {1.0, 1.0, false, 1.0, 1.0, 0.0},    // below the first shift: none
    };
    for (const taken& step : steps) {
        system.step_taken(step.t, step.ratio, step.uphill, step.c_h, step.c_s);
        EXPECT_NEAR(system.shift(), step.shift, 1e-12 * step.shift)
            << step.t << " " << step.ratio << " " << step.uphill;
    }
}

TEST(shift_rule, a_whole_step_that_rose_is_followed_by_a_factorisation_afresh) {
    const sheet::symmetric_matrix h = testing_support::grid_laplacian(4, 0.5);
    const auto n = static_cast<std::size_t>(h.n);
    std::vector<double> s(h.stored(), 0.0), g(n), d(n);
    for (std::size_t j = 0; j < n; ++j) {
        s[static_cast<std::size_t>(h.column_start[j + 1] - 1)] = 1.0;
        g[j] = std::cos(0.7 * static_cast<double>(j));
    }
    sheet::step_system system(h, s, {});
    system.direction(h.value, {}, g, d);
    EXPECT_EQ(system.counts().factorisations, 1);
    system.step_taken(1.0, 0.5, false, 1.0, 1.0);  // fair: the factor serves CG
    system.direction(h.value, {}, g, d);
    EXPECT_EQ(system.counts().factorisations, 1);
    system.step_taken(1.0, -1.0, false, 1.0, 1.0);  // rose
    system.direction(h.value, {}, g, d);
    EXPECT_EQ(system.counts().factorisations, 2);
}

}  // namespace
