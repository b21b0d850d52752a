// The frame of both programs' objective: the work of the loads, then every element in order,
// each adding its nodal forces into the gradient of the free components. The indices it follows
// (corner nodes, dof_map entries) were checked when the starting state made them, so the loops
// run on validated spans.
//
// The elements are evaluated in blocks. On one thread each block's energies and forces are
// added as soon as it is done. On a large sheet every thread of the worker pool evaluates
// blocks into a store of all elements' energies and forces; then each gradient entry is formed
// on any thread as its own sum (its negated load, then its elements' forces in ascending
// element order) while one thread sums the energies in element order: every sum is formed as
// by one thread alone, to the bit.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "sheet/incidence.hpp"
#include "sheet/mesh.hpp"
#include "sheet/worker_pool.hpp"

namespace sheet {

namespace detail {

// Below this many elements one thread does everything.
constexpr std::size_t threads_from = 8192;
// Elements per block of work; gradient entries per task of the sums.
constexpr std::size_t element_block = 512;
constexpr std::size_t entry_block = 4096;

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

// Adds the forces of r, forces[3 l + j], into the entries of its free components.
inline void scatter(const element& r, const double* forces, std::span<const std::int32_t> dof,
                    std::int32_t free_count, std::span<double> gs) {
    for (int l = 0; l < 3; ++l) {
        const std::size_t base = static_cast<std::size_t>(r.node[l] - 1) * 3;
        for (int j = 0; j < 3; ++j) {
            const std::int32_t k = dof[base + j];
            if (k <= free_count) gs[k - 1] = gs[k - 1] + forces[3 * l + j];
        }
    }
}

// f = -sum loads . u over the free components, in component order.
inline double load_work(std::span<const std::int32_t> dof, std::span<const double> loads,
                        std::span<const double> xs, std::int32_t free_count) {
    double f = 0.0;
    for (std::size_t c = 0; c < dof.size(); ++c) {
        const std::int32_t k = dof[c];
        if (k <= free_count) f = f - xs[k - 1] * loads[c];
    }
    return f;
}

}  // namespace detail

// xs and gs are x(1..) and g(1..) as spans. evaluate(begin, end, energy, forces) evaluates the
// elements at positions begin..end-1 (0 = the first element) into energy[at - begin] and
// forces[9 (at - begin) + 3 l + j]; it may run on any thread, several blocks at once, so it
// must write nothing but these and entries of its own elements. From parallel_from elements on,
// and with more than one worker, the pool shares the work. Returns the total potential energy.
template <class Evaluate>
double total_potential_energy_in_blocks(const mesh& m, std::span<const double> xs,
                                        std::span<double> gs, Evaluate&& evaluate,
                                        std::size_t parallel_from = detail::threads_from) {
    using detail::element_block;
    const std::int32_t free_count = m.free_count;
    const auto dof = m.dof_map.all();
    const auto loads = m.loads.all();
    const auto records = m.elements.view(m.elements.first(), m.elements.last());
    const std::size_t count = records.size();

    if (count < parallel_from || worker_count() < 2) {
        double f = detail::load_work(dof, loads, xs, free_count);
        // g starts from the negated loads.
        for (std::size_t c = 0; c < dof.size(); ++c)
            if (dof[c] <= free_count) gs[dof[c] - 1] = -loads[c];
        double energy[element_block];
        double forces[9 * element_block];
        for (std::size_t begin = 0; begin < count; begin += element_block) {
            const std::size_t end = std::min(count, begin + element_block);
            evaluate(begin, end, energy, forces);
            // f = f + energy; forces into g: in element order.
            for (std::size_t at = begin; at < end; ++at) {
                f = f + energy[at - begin];
                detail::scatter(records[at], forces + 9 * (at - begin), dof, free_count, gs);
            }
        }
        return f;
    }

    evaluation_store& store = m.evaluation.for_mesh(m);
    const std::size_t blocks = (count + element_block - 1) / element_block;
    run_tasks(blocks, [&](std::size_t b) {
        const std::size_t begin = b * element_block;
        const std::size_t end = std::min(count, begin + element_block);
        evaluate(begin, end, store.energy.data() + begin, store.forces.data() + 9 * begin);
    });

    // Task 0 sums the energy; the others each form a run of gradient entries.
    const incidence& links = store.links;
    const double* forces = store.forces.data();
    const std::size_t entries = static_cast<std::size_t>(free_count);
    double f = 0.0;
    run_tasks(1 + (entries + detail::entry_block - 1) / detail::entry_block, [&](std::size_t t) {
        if (t == 0) {
            double sum = detail::load_work(dof, loads, xs, free_count);
            for (const double e : store.energy) sum = sum + e;
            f = sum;
            return;
        }
        const std::size_t begin = (t - 1) * detail::entry_block;
        const std::size_t end = std::min(entries, begin + detail::entry_block);
        for (std::size_t k = begin; k < end; ++k) {
            double g = -loads[links.component[k]];
            for (std::int64_t i = links.first[k]; i < links.first[k + 1]; ++i)
                g = g + forces[links.terms[i]];
            gs[k] = g;
        }
    });
    return f;
}

}  // namespace sheet
