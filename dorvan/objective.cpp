// The compressible objective: each element also writes the gradient entry of its thickness.
#include "dorvan/objective.hpp"

#include "dorvan/element_lanes.hpp"
#include "sheet/assembly/objective.hpp"

namespace dorvan {

double objective(const model& m, std::int32_t n, const terms::fmat1& x, terms::fmat1& g,
                 nlp::slope_request along) {
    (void)n;  // the loops are bounded by the model, not by n
    const auto xs = x.view(1, m.unknown_count);
    const auto gs = g.view(1, m.unknown_count);
    double* slopes = gs.data() + m.free_count + (m.elements.first() - 1);
    return sheet::total_potential_energy_in_blocks(
        m, xs, gs, [&](std::size_t begin, std::size_t end, const sheet::block_io& io) {
            evaluate_elements(m, xs, begin, end, io, slopes);
        },
        along);
}

}  // namespace dorvan
