// The incompressible objective: no thickness entries.
#include "melvar/objective.hpp"

#include "melvar/element.hpp"
#include "sheet/objective.hpp"

namespace melvar {

double objective(const model& m, std::int32_t n, const terms::fmat1& x, terms::fmat1& g) {
    (void)n;  // n is free_count, by which the loops are bounded
    return sheet::total_potential_energy(
        m, x.view(1, m.free_count), g.view(1, m.free_count),
        [&m](std::int32_t, const sheet::element& r, const double(&u)[3][3],
             sheet::element_output& out) {
            out.energy = element_state(m, r, u, out.forces).strain_energy;
        },
        [](std::int32_t, double) {});
}

}  // namespace melvar
