// Work shared by two threads and taken up in item order: the order, the results and the
// failures are those of one thread alone.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "sheet/assembly/in_order.hpp"

namespace {

struct slot {
    double value;
    std::size_t item;
};

double item_value(std::size_t at) {
    return std::sin(static_cast<double>(at)) * 1.0e-3 + 1.0;
}

// A running sum whose rounding depends on the order of its terms.
double ordered_sum(std::size_t count, std::size_t parallel_from, std::vector<std::size_t>& order) {
    double sum = 0.0;
    sheet::for_each_in_order<slot>(
        count,
        [](std::size_t at, slot& s) {
            s = {item_value(at), at};
        },
        [&](std::size_t at, const slot& s) {
            EXPECT_EQ(s.item, at);
            order.push_back(at);
            sum = sum + s.value * static_cast<double>(at % 7 + 1);
        },
        parallel_from);
    return sum;
}

TEST(in_order, two_threads_consume_every_item_once_in_order_with_the_same_sums) {
    for (const std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{511},
                                    std::size_t{512}, std::size_t{4097}, std::size_t{50000}}) {
        std::vector<std::size_t> alone_order, shared_order;
        const double alone = ordered_sum(count, SIZE_MAX, alone_order);
        const double shared = ordered_sum(count, 0, shared_order);
        EXPECT_EQ(alone, shared) << count;
        ASSERT_EQ(shared_order.size(), count);
        for (std::size_t at = 0; at < count; ++at) ASSERT_EQ(shared_order[at], at);
    }
}

TEST(in_order, a_failure_on_either_thread_is_rethrown_to_the_caller) {
    for (const std::size_t failing : {std::size_t{3}, std::size_t{700}, std::size_t{9000}}) {
        std::size_t consumed = 0;
        EXPECT_THROW(sheet::for_each_in_order<slot>(
                         20000,
                         [failing](std::size_t at, slot& s) {
                             if (at == failing) throw std::runtime_error("item failed");
                             s = {1.0, at};
                         },
                         [&consumed](std::size_t, const slot&) { ++consumed; }, 0),
                     std::runtime_error);
        EXPECT_LE(consumed, failing);
    }
    EXPECT_THROW(sheet::for_each_in_order<slot>(
                     20000,
                     [](std::size_t at, slot& s) {
                         s = {1.0, at};
                     },
                     [](std::size_t at, const slot&) {
                         if (at == 5000) throw std::runtime_error("consumer failed");
                     },
                     0),
                 std::runtime_error);
}

}  // namespace
