// The assembly of the Newton matrix on the worker pool: the elements taken a batch at a time in
// ascending order, every element's Hessian of the batch into its own block of a buffer (in any
// order, on any thread), then every stored entry's sum carried on over the batch's elements in
// ascending order. Each entry is thus summed from 0.0 over its elements in ascending order, the
// same to the bit for any thread count, and the buffer holds one batch, not the whole sheet.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "sheet/assembly/worker_pool.hpp"
#include "sheet/solve/hessian_pattern.hpp"
#include "sheet/solve/projection.hpp"

namespace sheet {

namespace detail {

constexpr std::size_t hessian_block = 256;    // elements per task
constexpr std::size_t entry_block = 16384;    // stored entries per task
constexpr std::size_t hessian_batch = 32768;  // elements whose blocks the buffer holds at once

}  // namespace detail

// values (one per stored entry of p's shape) := the sum of element(at, packed) over the
// elements, each element's block made positive semi-definite first when project is set.
// element(at, packed) writes the packed Hessian of the element at position at; it may run on any
// thread. buffer is the caller's, resized here and kept between calls; batch: the elements it
// holds at once. On the calling thread alone, not on the workers, unless on_workers (from inside
// a task of the workers, not): the same values either way.
template <class Element>
void assemble_hessian(const hessian_pattern& p, Element&& element, bool project,
                      std::vector<double>& buffer, std::vector<double>& values,
                      std::size_t batch = detail::hessian_batch, bool on_workers = true) {
    const std::size_t size = static_cast<std::size_t>(packed_size(p.local_count()));
    const std::size_t elements = p.elements();
    const std::size_t entries = p.shape().stored();
    const auto& slots = p.slots();
    values.assign(entries, 0.0);
    buffer.resize(std::min(elements, batch) * size);
    for (std::size_t first = 0; first < elements; first += batch) {
        const std::size_t last = std::min(elements, first + batch);
        const std::size_t element_tasks =
            (last - first + detail::hessian_block - 1) / detail::hessian_block;
        run_tasks_if(on_workers, element_tasks, [&](std::size_t t) {
            const std::size_t from = first + t * detail::hessian_block;
            const std::size_t end = std::min(last, from + detail::hessian_block);
            for (std::size_t at = from; at < end; ++at) {
                double* packed = buffer.data() + (at - first) * size;
                element(at, packed);
                if (!project) continue;
                bool free[10];
                for (int a = 0; a < p.local_count(); ++a) free[a] = p.unknown(at, a) >= 0;
                project_to_nonnegative(packed, p.local_count(), free);
            }
        });
        // The batch's entries lie in the columns of its unknowns, from the least to the
        // greatest; an entry's slots ascend with their elements, so those of the batch follow
        // one another.
        std::int32_t least = p.shape().n, greatest = -1;
        for (std::size_t at = first; at < last; ++at)
            for (int a = 0; a < p.local_count(); ++a) {
                const std::int32_t i = p.unknown(at, a);
                if (i < 0) continue;
                least = std::min(least, i);
                greatest = std::max(greatest, i);
            }
        if (greatest < 0) continue;
        const auto& column_start = p.shape().column_start;
        const auto from = static_cast<std::size_t>(column_start[static_cast<std::size_t>(least)]);
        const auto to =
            static_cast<std::size_t>(column_start[static_cast<std::size_t>(greatest) + 1]);
        const auto lowest = static_cast<std::int64_t>(first * size);
        const auto highest = static_cast<std::int64_t>(last * size);
        const std::size_t entry_tasks = (to - from + detail::entry_block - 1) / detail::entry_block;
        run_tasks_if(on_workers, entry_tasks, [&](std::size_t t) {
            const std::size_t begin = from + t * detail::entry_block;
            const std::size_t end = std::min(to, from + (t + 1) * detail::entry_block);
            std::int32_t next = p.first_slot(begin);  // entry k's first slot, then k + 1's
            for (std::size_t k = begin; k < end; ++k) {
                auto s = next;
                next = next + p.slot_count(k);
                while (s < next && slots[static_cast<std::size_t>(s)] < lowest) ++s;
                if (s == next || slots[static_cast<std::size_t>(s)] >= highest) continue;
                double sum = values[k];
                for (; s < next && slots[static_cast<std::size_t>(s)] < highest; ++s)
                    sum = sum + buffer[static_cast<std::size_t>(slots[static_cast<std::size_t>(s)] -
                                                                lowest)];
                values[k] = sum;
            }
        });
    }
}

// out(i) += the sum, over the elements in ascending order and from 0.0, of local[at 9 + a] for
// every element at whose local a is unknown i: element vectors assembled as the matrix's
// diagonal entries are (p of nine locals).
inline void add_local_vectors(const hessian_pattern& p, const std::vector<double>& local,
                              std::span<double> out) {
    const symmetric_matrix& shape = p.shape();
    constexpr std::int64_t size = packed_size(9);
    int diagonal_local[size];  // the local a of packed place (a, a)
    for (int a = 0; a < 9; ++a) diagonal_local[packed_position(a, a)] = a;
    const auto& slots = p.slots();
    for (std::int32_t j = 0; j < shape.n; ++j) {
        // the diagonal entry is the last of its column; a component of no element has none
        const auto first = shape.column_start[static_cast<std::size_t>(j)];
        const auto last = shape.column_start[static_cast<std::size_t>(j) + 1];
        if (last == first) continue;
        const auto k = static_cast<std::size_t>(last - 1);
        double sum = 0.0;
        const std::int32_t first_slot = p.first_slot(k);
        for (auto s = first_slot; s < first_slot + p.slot_count(k); ++s) {
            const std::int64_t slot = slots[static_cast<std::size_t>(s)];
            const auto at = static_cast<std::size_t>(slot / size);
            sum = sum + local[at * 9 + static_cast<std::size_t>(diagonal_local[slot % size])];
        }
        out[static_cast<std::size_t>(j)] = out[static_cast<std::size_t>(j)] + sum;
    }
}

}  // namespace sheet
