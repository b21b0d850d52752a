// The load factors of a run in steps: k / N to the bit while every step holds; after a cut-back,
// growth after easy steps up to the first increment, and the last step on 1. (cut_back_test.cpp
// follows the halved increments, steps_test.cpp the smallest.)
#include <gtest/gtest.h>

#include <cstdint>

#include "sheet/run/load_path.hpp"

namespace {

using sheet::load_path;

TEST(load_path, keeps_to_k_over_n_to_the_bit_while_every_step_holds) {
    for (const std::int32_t n : {2, 3, 7, 49, 9999, 10000}) {
        load_path path(n);
        for (std::int32_t k = 1; k <= n; path.accept(true), ++k) {
            ASSERT_TRUE(path.on_plan() && path.step() == k);
            ASSERT_EQ(path.factor(), static_cast<double>(k) / static_cast<double>(n)) << k;
        }
        EXPECT_TRUE(path.done());
    }
}

TEST(load_path, grows_after_easy_steps_up_to_the_first_increment_and_lands_on_one) {
    load_path path(3);
    ASSERT_TRUE(path.cut_back());  // 1/3 failed: 1/6
    path.accept(false);            // a hard step keeps the increment
    ASSERT_TRUE(path.cut_back());  // 1/3 failed again: 1/12 from 1/6
    for (const double next : {0.25, 0.25 + 1.0 / 6, 0.75, 1.0}) {  // doubled, then no further
        EXPECT_DOUBLE_EQ(path.factor(), next);
        path.accept(true);
    }
    EXPECT_TRUE(path.done());  // 0.75 + 1/3 was cut to land on 1
    EXPECT_EQ(path.step(), 6);
}

}  // namespace
