// The frame of both programs' objective: the work of the loads, then every element in order,
// each adding its nodal forces into the gradient of the free components. The indices it follows
// (corner nodes, dof_map entries) were checked when the starting state made them, so the loops
// run on validated spans.
#pragma once

#include <cstdint>
#include <span>

#include "sheet/mesh.hpp"

namespace sheet {

// xs and gs are x(1..) and g(1..) as spans. element(e, record, u, forces) evaluates element e
// from the displacements u[l][j] of its corners, fills its forces and returns its strain
// energy. Returns the total potential energy.
template <class Element>
double total_potential_energy(const mesh& m, std::span<const double> xs, std::span<double> gs,
                              Element&& element) {
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
    element_forces forces;
    for (std::size_t at = 0; at < records.size(); ++at) {
        const sheet::element& r = records[at];
        std::size_t base[3];
        double u[3][3];
        for (int l = 0; l < 3; ++l) {
            base[l] = static_cast<std::size_t>(r.node[l] - 1) * 3;
            for (int j = 0; j < 3; ++j) {
                const std::int32_t k = dof[base[l] + j];
                u[l][j] = k <= free_count ? xs[k - 1] : prescribed[base[l] + j];
            }
        }
        f = f + element(first + static_cast<std::int32_t>(at), r, u, forces);
        for (int l = 0; l < 3; ++l) {
            for (int j = 0; j < 3; ++j) {
                const std::int32_t k = dof[base[l] + j];
                if (k <= free_count) gs[k - 1] = gs[k - 1] + forces.row[l][j];
            }
        }
    }
    return f;
}

}  // namespace sheet
