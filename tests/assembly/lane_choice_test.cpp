// The instruction sets the vector kernels are chosen among: the sets this machine runs by our
// reading of its features are the sets Highway's own detection finds, among those compiled.
#include <gtest/gtest.h>

#include <hwy/highway.h>

#include <cstdint>

#include "sheet/assembly/lane_choice.hpp"

namespace {

TEST(lane_choice, runs_the_sets_highways_detection_finds) {
    constexpr std::int64_t compiled = HWY_TARGETS;
    EXPECT_EQ(sheet::runnable_lane_targets() & compiled, hwy::SupportedTargets() & compiled);
}

}  // namespace
