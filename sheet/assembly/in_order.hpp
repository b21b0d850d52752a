// Work on a long run of items shared by two threads, with the results taken up in item order:
// each item is computed on either thread into a slot of a small ring of blocks, and the calling
// thread consumes the slots strictly in order. Whatever is summed in consume is therefore summed
// in the same order as by one thread alone, to the bit.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <thread>

#include "sheet/assembly/worker_pool.hpp"

namespace sheet {

namespace detail {

// Below this many items one thread does everything.
constexpr std::size_t parallel_from = 8192;
constexpr std::size_t block_size = 512;
constexpr std::size_t ring_blocks = 8;

}  // namespace detail

// compute(at, slot) fills slot for item at (0 <= at < count) and may run on either thread, so it
// must only read shared state; consume(at, slot) runs on the calling thread for at = 0, 1, ...
// in order. From parallel_from items on, and unless the worker count is 1, two threads compute. An
// exception from either ends the work and is rethrown here.
template <class Slot, class Compute, class Consume>
void for_each_in_order(std::size_t count, Compute&& compute, Consume&& consume,
                       std::size_t parallel_from = detail::parallel_from) {
    if (count < parallel_from || count == 0 || worker_count() < 2) {
        Slot slot{};
        for (std::size_t at = 0; at < count; ++at) {
            compute(at, slot);
            consume(at, static_cast<const Slot&>(slot));
        }
        return;
    }

    // Blocks are claimed in increasing order by both threads; block b lives in ring slot
    // b % ring_blocks until it has been consumed, and is claimed only when that slot is free.
    using detail::block_size;
    using detail::ring_blocks;
    const std::size_t blocks = (count + block_size - 1) / block_size;
    const auto buffer = std::make_unique<Slot[]>(ring_blocks * block_size);
    std::atomic<std::size_t> claimed{0};
    std::atomic<std::size_t> consumed{0};
    std::atomic<bool> failed{false};
    const auto ready = std::make_unique<std::atomic<std::size_t>[]>(ring_blocks);
    for (std::size_t s = 0; s < ring_blocks; ++s) ready[s].store(SIZE_MAX);
    const auto compute_block = [&](std::size_t b) {
        Slot* slots = buffer.get() + (b % ring_blocks) * block_size;
        const std::size_t end = std::min(count, (b + 1) * block_size);
        for (std::size_t at = b * block_size; at < end; ++at)
            compute(at, slots[at - b * block_size]);
        ready[b % ring_blocks].store(b, std::memory_order_release);
    };

    std::exception_ptr worker_error;
    std::thread worker([&] {
        try {
            for (;;) {
                const std::size_t b = claimed.fetch_add(1);
                if (b >= blocks) return;
                while (b >= consumed.load(std::memory_order_acquire) + ring_blocks) {
                    if (failed.load()) return;
                    std::this_thread::yield();
                }
                compute_block(b);
            }
        } catch (...) {
            worker_error = std::current_exception();
            failed.store(true);
        }
    });
    try {
        for (std::size_t b = 0; b < blocks && !failed.load(); ++b) {
            while (ready[b % ring_blocks].load(std::memory_order_acquire) != b) {
                if (failed.load()) break;
                // Rather than wait, compute the next unclaimed block if its slot is free.
                std::size_t next = claimed.load();
                if (next < blocks && next < b + ring_blocks &&
                    claimed.compare_exchange_strong(next, next + 1))
                    compute_block(next);
                else
                    std::this_thread::yield();
            }
            if (failed.load()) break;
            const Slot* slots = buffer.get() + (b % ring_blocks) * block_size;
            const std::size_t end = std::min(count, (b + 1) * block_size);
            for (std::size_t at = b * block_size; at < end; ++at)
                consume(at, slots[at - b * block_size]);
            consumed.store(b + 1, std::memory_order_release);
        }
    } catch (...) {
        failed.store(true);
        worker.join();
        throw;
    }
    worker.join();
    if (worker_error) std::rethrow_exception(worker_error);
}

}  // namespace sheet
