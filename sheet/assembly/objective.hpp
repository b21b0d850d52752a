// The elements' pass of the objective: every element in order, each adding its nodal forces into
// the gradient of the free components, alone or together with the nodal loads. The indices it
// follows (corner nodes, dof_map entries) were checked when the starting state made them, so the
// loops run on validated spans.
//
// The elements are evaluated in blocks, and each block's forces are added at once, element
// after element. On a large sheet the free entries are cut into runs, and each thread of the
// worker pool forms whole runs: it evaluates every element that reaches its run (an element on
// the edge of two runs is evaluated for both) and adds their forces into its own entries only,
// so each entry is still its negated load plus its elements' forces in ascending element order.
// The energies are kept per element and summed in element order, run after run as the runs are
// finished, by whichever thread finishes the run that lets the sum go on; the line search's
// slope g.d, when asked for, is summed the same way over the runs' entries. Every sum is formed
// as by one thread alone, to the bit. Every element reads its geometry and corner displacements
// through the columns of the assembly plan that start made.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "nlp/slope.hpp"
#include "sheet/assembly/assembly_plan.hpp"
#include "sheet/assembly/block_io.hpp"
#include "sheet/assembly/worker_pool.hpp"

namespace sheet {

namespace detail {

// Elements per block of work.
constexpr std::size_t element_block = 256;  // a block's forces stay in the first-level cache

// Adds the forces of the element at, forces[3 l + j], into the entries among [first, last) of
// its corner components, as its corner sources in table name them. A corner whose three
// components follow one another inside the range takes its three adds at once.
inline void scatter(const element_columns& table, std::size_t at, const double* forces,
                    std::int32_t first, std::int32_t last, std::span<double> gs) {
    const auto width = static_cast<std::uint32_t>(last - first);
    for (int l = 0; l < 3; ++l) {
        const double* f = forces + 3 * l;
        const std::int32_t x = table.node(l)[at];
        if (x >= first && x + 2 < last) {  // also false for -1
            double* g = gs.data() + x;
            g[0] = g[0] + f[0];
            g[1] = g[1] + f[1];
            g[2] = g[2] + f[2];
            continue;
        }
        for (int j = 0; j < 3; ++j) {
            const std::int32_t k = table.source(3 * l + j)[at];
            // Prescribed components (negative sources) fall outside as well.
            if (static_cast<std::uint32_t>(k - first) < width) gs[k] = gs[k] + f[j];
        }
    }
}

// Forms the gradient entries of run: each starts from its negated load (when loads are given;
// otherwise from what it holds), then every element that reaches it adds its forces, element
// after element in ascending order. energy(at, e) takes the energy of every element the run
// owns, in order.
template <class Evaluate, class Energy>
void assemble_run(const entry_run& run, const assembly_plan& plan, std::span<const double> loads,
                  std::span<double> gs, Evaluate& evaluate, Energy&& energy_of) {
    const std::vector<std::int32_t>& component = plan.component();
    if (!loads.empty())
        for (std::int32_t k = run.entry_begin; k < run.entry_end; ++k) gs[k] = -loads[component[k]];
    double energy[element_block];
    double forces[9 * element_block];
    for (std::size_t begin = run.begin; begin < run.end; begin += element_block) {
        const std::size_t end = std::min(run.end, begin + element_block);
        evaluate(begin, end, block_io{&plan.table(), energy, forces, run.own_begin, run.own_end});
        for (std::size_t at = begin; at < end; ++at) {
            if (at >= run.own_begin && at < run.own_end) energy_of(at, energy[at - begin]);
            scatter(plan.table(), at, forces + 9 * (at - begin), run.entry_begin, run.entry_end,
                    gs);
        }
    }
}

// f = -sum loads . u over the free components, in component order: the unknowns are numbered
// in that order, so entry k's component is component[k] and they ascend together.
inline double load_work(std::span<const std::int32_t> component, std::span<const double> loads,
                        std::span<const double> xs) {
    double f = 0.0;
    for (std::size_t k = 0; k < component.size(); ++k) f = f - xs[k] * loads[component[k]];
    return f;
}

// Carries the slope sum on over gs[first..last) . d[first..last), in ascending order.
inline void add_slope(double& sum, std::span<const double> gs, const double* d, std::size_t first,
                      std::size_t last) {
    for (std::size_t k = first; k < last; ++k) sum = sum + gs[k] * d[k];
}

}  // namespace detail

// The nodal loads and the elements together, on the worker pool: the free entries cut into the
// plan's runs, each run formed on one thread as its negated loads, then its elements' forces in
// ascending element order. loads are the applied loads by component, xs and gs x(1..) and g(1..)
// as spans. evaluate(begin, end, io) evaluates the elements at positions begin..end-1 as io says;
// it may run on any thread, several blocks at once, so it must write nothing but io's buffers
// and the entries of its own elements that io gives it. Returns the loads' work summed from 0.0
// in component order, then every element's energy added in element order; stores g . along.d
// over all of gs in *along.slope when along.d is set. To the bit what one thread gives by
// adding the loads' and then the elements' contributions in order.
template <class Evaluate>
double assemble_in_runs(assembly_plan& plan, int workers, std::span<const double> loads,
                        std::span<const double> xs, std::span<double> gs, Evaluate&& evaluate,
                        nlp::slope_request along = {}) {
    const std::int32_t free_count = plan.free_count();
    // Task 0 does the work of the loads, the longest single chain of additions; each other
    // task forms a run of entries and keeps the energies of the elements it owns. The chain
    // goes on from task 0's work, then run after run adds its energies and slope terms.
    plan.share(workers);
    const std::vector<entry_run>& runs = plan.runs();
    std::vector<double>& energy = plan.energy();
    double f = 0.0;
    double slope = 0.0;
    const auto take_up = [&](std::size_t t) {
        if (t == 0) return;
        const entry_run& run = runs[t - 1];
        for (std::size_t e = run.own_begin; e < run.own_end; ++e) f = f + energy[e];
        if (along.d != nullptr)
            detail::add_slope(slope, gs, along.d, static_cast<std::size_t>(run.entry_begin),
                              static_cast<std::size_t>(run.entry_end));
    };
    ordered_chain& chain = plan.chain();
    chain.reset(1 + runs.size());
    run_tasks(1 + runs.size(), [&](std::size_t t) {
        if (t == 0)
            f = detail::load_work(plan.component(), loads, xs);  // before any run is taken up
        else
            detail::assemble_run(runs[t - 1], plan, loads, gs, evaluate,
                                 [&energy](std::size_t at, double e) { energy[at] = e; });
        chain.finish(t, take_up);
    });
    if (along.d != nullptr) {
        // dorvan's thickness entries follow the runs' entries
        detail::add_slope(slope, gs, along.d, static_cast<std::size_t>(free_count), gs.size());
        *along.slope = slope;
    }
    return f;
}

}  // namespace sheet
