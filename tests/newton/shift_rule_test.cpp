// The shift after each step, call by call: raised from nothing to the first shift and tenfold by
// whole steps whose energy rose (the matrix then factorised afresh), lowered tenfold by whole
// steps the model foretold well (to nothing below the first), kept by fair ones and by steps cut
// for a triangle turned over, raised to tau / t by a step cut for its energy.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sheet/solve/step_system.hpp"
#include "support/grid_matrix.hpp"

namespace {

TEST(shift_rule, follows_each_step_the_search_took) {
    const sheet::symmetric_matrix h = testing_support::grid_laplacian(4, 0.5);
    const auto n = static_cast<std::size_t>(h.n);
    std::vector<double> s(h.stored(), 0.0), g(n, 1.0), d(n);
    for (std::size_t j = 0; j < n; ++j)
        s[static_cast<std::size_t>(h.column_start[j + 1] - 1)] = 1.0;
    sheet::step_system system(h, s, {});
    struct taken {
        double t, ratio;
        bool uphill;
        double shift;        // after it
        int factorisations;  // after the next direction
    };
    for (const taken& step : {taken{1.0, 0.5, false, 0.0, 1},  // fair: CG with the factor
                              taken{1.0, -0.5, false, 1e-6, 2}, taken{1.0, -2.0, false, 1e-5, 3},
                              taken{1.0, 0.9, false, 1e-6, 3}, taken{0.25, 0.9, false, 1e-6, 3},
                              taken{0.5, 0.9, true, 2e-6, 4}, taken{1.0, 1.0, false, 0.0, 4}}) {
        system.step_taken(step.t, step.ratio, step.uphill, 0.0, 1.0);
        EXPECT_NEAR(system.shift(), step.shift, 1e-12 * step.shift) << step.t << " " << step.ratio;
        system.direction(h.value, {}, g, d);
        EXPECT_EQ(system.counts().factorisations, step.factorisations)
            << step.t << " " << step.ratio;
    }
}

}  // namespace
