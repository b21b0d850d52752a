// The compressible objective: each element also writes the gradient entry of its thickness.
#include "dorvan/objective.hpp"

#include "dorvan/element.hpp"
#include "sheet/objective.hpp"

namespace dorvan {

double objective(const model& m, std::int32_t n, const terms::fmat1& x, terms::fmat1& g) {
    (void)n;  // the loops are bounded by the model, not by n
    const std::int32_t free_count = m.free_count;
    const auto xs = x.view(1, m.unknown_count);
    const auto gs = g.view(1, m.unknown_count);
    return sheet::total_potential_energy(
        m, xs, gs,
        [&](std::int32_t e, const sheet::element& r, const double(&u)[3][3],
            sheet::element_output& out) {
            const element_result result =
                element_state(m, r, u, xs[free_count + e - 1], out.forces);
            out.energy = result.strain_energy;
            out.own_entry = result.thickness_slope;
        },
        [&](std::int32_t e, double thickness_slope) { gs[free_count + e - 1] = thickness_slope; });
}

}  // namespace dorvan
