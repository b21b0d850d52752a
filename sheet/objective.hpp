// The frame of both programs' objective: the work of the loads, then every element in order,
// each adding its nodal forces into the gradient of the free components. The indices it follows
// (corner nodes, dof_map entries) were checked when the starting state made them, so the loops
// run on validated spans.
//
// On a large sheet the elements are evaluated by two threads while this thread adds their
// energies and forces in element order: every sum is formed as by one thread alone.
#pragma once

#include <cstdint>
#include <span>

#include "sheet/in_order.hpp"
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

    for_each_in_order<element_output>(records.size(), evaluate, add, parallel_from);
    return f;
}

}  // namespace sheet
