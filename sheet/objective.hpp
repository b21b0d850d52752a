// The frame of both programs' objective: the work of the loads, then every element in order,
// each adding its nodal forces into the gradient of the free components. The indices it follows
// (corner nodes, dof_map entries) were checked when the starting state made them, so the loops
// run on validated spans.
//
// On a large sheet the elements are evaluated by two threads, block by block, into a small ring
// of buffers, while this thread adds their energies and forces in element order: every sum is
// formed in the same order as by one thread alone, so the results are the same to the bit.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <span>
#include <thread>

#include "sheet/mesh.hpp"

namespace sheet {

// What one element hands to the sums: its strain energy, the program's own per-element gradient
// entry (the thickness slope, where there is one) and its nodal forces.
struct element_output {
    double energy;
    double own_entry;
    element_forces forces;
};

namespace detail {

// The displacements u[l][j] of the corners of r: the unknown where the component is free, its
// prescribed value otherwise.
inline void gather(const element& r, std::span<const std::int32_t> dof,
                   std::span<const double> prescribed, std::span<const double> xs,
                   std::int32_t free_count, double (&u)[3][3]) {
    for (int l = 0; l < 3; ++l) {
        const std::size_t base = static_cast<std::size_t>(r.node[l] - 1) * 3;
        for (int j = 0; j < 3; ++j) {
            const std::int32_t k = dof[base + j];
            u[l][j] = k <= free_count ? xs[k - 1] : prescribed[base + j];
        }
    }
}

// Adds the forces of r into the entries of its free components.
inline void scatter(const element& r, const element_forces& forces,
                    std::span<const std::int32_t> dof, std::int32_t free_count,
                    std::span<double> gs) {
    for (int l = 0; l < 3; ++l) {
        const std::size_t base = static_cast<std::size_t>(r.node[l] - 1) * 3;
        for (int j = 0; j < 3; ++j) {
            const std::int32_t k = dof[base + j];
            if (k <= free_count) gs[k - 1] = gs[k - 1] + forces.row[l][j];
        }
    }
}

// Below this many elements one thread does everything.
constexpr std::size_t parallel_from = 8192;
constexpr std::size_t block_size = 512;
constexpr std::size_t ring_blocks = 8;

inline void pause() {
    std::this_thread::yield();
}

}  // namespace detail

// xs and gs are x(1..) and g(1..) as spans. element(e, record, u, out) evaluates element e from
// the displacements u[l][j] of its corners into out; it must only read shared state, as it may
// run on another thread. own(e, value) receives the element's own gradient entry, in element
// order. Two threads share the elements from parallel_from elements on. Returns the total
// potential energy.
template <class Element, class Own>
double total_potential_energy(const mesh& m, std::span<const double> xs, std::span<double> gs,
                              Element&& element, Own&& own,
                              std::size_t parallel_from = detail::parallel_from) {
    const std::int32_t free_count = m.free_count;
    const auto dof = m.dof_map.all();
    const auto loads = m.loads.all();
    const auto prescribed = m.prescribed.all();

    double f = 0.0;
    // f = -sum loads . u over the free components; g starts from the negated loads.
    for (std::size_t c = 0; c < dof.size(); ++c) {
        const std::int32_t k = dof[c];
        if (k <= free_count) {
            f = f - xs[k - 1] * loads[c];
            gs[k - 1] = -loads[c];
        }
    }

    const std::int32_t first = m.elements.first();
    const auto records = m.elements.view(first, m.elements.last());
    const std::size_t count = records.size();
    const auto evaluate = [&](std::size_t at, element_output& out) {
        double u[3][3];
        detail::gather(records[at], dof, prescribed, xs, free_count, u);
        element(first + static_cast<std::int32_t>(at), records[at], u, out);
    };
    // f = f + energy; forces into g; the element's own entry: in element order.
    const auto add = [&](std::size_t at, const element_output& out) {
        f = f + out.energy;
        detail::scatter(records[at], out.forces, dof, free_count, gs);
        own(first + static_cast<std::int32_t>(at), out.own_entry);
    };

    if (count < parallel_from || count == 0) {
        element_output out;
        for (std::size_t at = 0; at < count; ++at) {
            evaluate(at, out);
            add(at, out);
        }
        return f;
    }

    // Blocks are claimed in increasing order by both threads; block b lives in slot
    // b % ring_blocks until this thread has added it, and a block is claimed only when its slot
    // is free.
    using detail::block_size;
    using detail::ring_blocks;
    const std::size_t blocks = (count + block_size - 1) / block_size;
    const auto buffer = std::make_unique<element_output[]>(ring_blocks * block_size);
    std::atomic<std::size_t> claimed{0};
    std::atomic<std::size_t> added{0};
    std::atomic<bool> failed{false};
    std::unique_ptr<std::atomic<std::size_t>[]> ready(new std::atomic<std::size_t>[ring_blocks]);
    for (std::size_t s = 0; s < ring_blocks; ++s) ready[s].store(SIZE_MAX);
    const auto compute_block = [&](std::size_t b) {
        element_output* slot = buffer.get() + (b % ring_blocks) * block_size;
        const std::size_t end = std::min(count, (b + 1) * block_size);
        for (std::size_t at = b * block_size; at < end; ++at)
            evaluate(at, slot[at - b * block_size]);
        ready[b % ring_blocks].store(b, std::memory_order_release);
    };
    std::exception_ptr worker_error;
    std::thread worker([&] {
        try {
            for (;;) {
                const std::size_t b = claimed.fetch_add(1);
                if (b >= blocks) return;
                while (b >= added.load(std::memory_order_acquire) + ring_blocks) {
                    if (failed.load()) return;
                    detail::pause();
                }
                compute_block(b);
            }
        } catch (...) {
            worker_error = std::current_exception();
            failed.store(true);
        }
    });
    try {
        for (std::size_t b = 0; b < blocks; ++b) {
            while (ready[b % ring_blocks].load(std::memory_order_acquire) != b) {
                if (failed.load()) break;
                // Rather than wait, evaluate the next unclaimed block if its slot is free.
                std::size_t next = claimed.load();
                if (next < blocks && next < b + ring_blocks &&
                    claimed.compare_exchange_strong(next, next + 1))
                    compute_block(next);
                else
                    detail::pause();
            }
            if (failed.load()) break;
            const element_output* slot = buffer.get() + (b % ring_blocks) * block_size;
            const std::size_t end = std::min(count, (b + 1) * block_size);
            for (std::size_t at = b * block_size; at < end; ++at)
                add(at, slot[at - b * block_size]);
            added.store(b + 1, std::memory_order_release);
        }
    } catch (...) {
        failed.store(true);
        worker.join();
        throw;
    }
    worker.join();
    if (worker_error) std::rethrow_exception(worker_error);
    return f;
}

}  // namespace sheet
