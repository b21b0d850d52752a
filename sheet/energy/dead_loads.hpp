// The nodal loads as a term of the energy: -sum load . u over the free components, in component
// order, with the gradient -load; at a held component, minus its load is what the support
// balances.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "sheet/energy/term.hpp"

namespace sheet {

class dead_loads {
public:
    bool present(const term_point&) const { return true; }

    // The free entries ascend with their components, so entry k's load is that of
    // component[k].
    void add_energy(const term_point& p, std::span<double> gs, double& energy) const {
        const auto loads = p.load.loads(p.sheet).all();
        const std::vector<std::int32_t>& component = p.plan.component();
        for (std::size_t k = 0; k < component.size(); ++k) {
            const double load = loads[static_cast<std::size_t>(component[k])];
            energy = energy - p.xs[k] * load;
            gs[k] = gs[k] - load;
        }
    }

    void add_element_hessian(const term_point&, std::size_t, double*) const {}  // linear
    bool admissible(const term_point&, const term_point&) const { return true; }

    void add_forces(const term_point& p, terms::real_matrix& forces) const {
        const auto loads = p.load.loads(p.sheet).all();
        const auto out = forces.all();
        for (std::size_t c = 0; c < out.size(); ++c) out[c] = out[c] - loads[c];
    }

    void add_fields(const term_point&, std::vector<field_value>&) const {}
};

static_assert(energy_term<dead_loads>);

}  // namespace sheet
