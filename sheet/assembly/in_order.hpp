// Work on a long run of items shared by the worker pool, with the results taken up in item order:
// each block of items is computed on any thread into its slots, and the finished blocks are taken
// up strictly in order as soon as every block before them is taken up. Whatever is summed in
// consume is therefore summed in the same order as by one thread alone, to the bit.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>

#include "sheet/assembly/ordered_chain.hpp"
#include "sheet/assembly/worker_pool.hpp"

namespace sheet {

namespace detail {

constexpr std::size_t in_order_block = 512;
constexpr std::size_t in_order_batch = 32;  // blocks whose slots are held at once

}  // namespace detail

// compute(at, slot) fills slot for item at (0 <= at < count) and may run on any thread, so it
// must only read shared state; consume(at, slot) runs for at = 0, 1, ... in order, never on two
// threads at once. From parallel_from items on, and with more than one worker, the pool computes
// a batch of blocks at a time. An exception from either ends the work and is rethrown here.
template <class Slot, class Compute, class Consume>
void for_each_in_order(std::size_t count, Compute&& compute, Consume&& consume,
                       std::size_t parallel_from = threads_from) {
    if (count < parallel_from || worker_count() < 2) {
        Slot slot{};
        for (std::size_t at = 0; at < count; ++at) {
            compute(at, slot);
            consume(at, static_cast<const Slot&>(slot));
        }
        return;
    }

    using detail::in_order_batch;
    using detail::in_order_block;
    const std::size_t blocks = (count + in_order_block - 1) / in_order_block;
    const auto slots = std::make_unique<Slot[]>(in_order_batch * in_order_block);
    ordered_chain chain;
    for (std::size_t first = 0; first < blocks; first += in_order_batch) {
        const std::size_t batch = std::min(in_order_batch, blocks - first);
        const auto range = [&](std::size_t b) {
            const std::size_t begin = (first + b) * in_order_block;
            return std::pair{begin, std::min(count, begin + in_order_block)};
        };
        const auto take_up = [&](std::size_t b) {
            const auto [begin, end] = range(b);
            const Slot* from = slots.get() + b * in_order_block;
            for (std::size_t at = begin; at < end; ++at)
                consume(at, static_cast<const Slot&>(from[at - begin]));
        };
        chain.reset(batch);
        run_tasks(batch, [&](std::size_t b) {
            const auto [begin, end] = range(b);
            Slot* into = slots.get() + b * in_order_block;
            for (std::size_t at = begin; at < end; ++at) compute(at, into[at - begin]);
            chain.finish(b, take_up);
        });
    }
}

}  // namespace sheet
