// The compressible objective: each element also writes the gradient entry of its thickness.
#include "dorvan/objective.hpp"

#include "dorvan/element_lanes.hpp"
#include "sheet/assembly/objective.hpp"

namespace dorvan {

double objective(const model& m, sheet::assembly_plan& plan, std::int32_t n,
                 const terms::real_vector& x, terms::real_vector& g, nlp::slope_request along) {
    (void)n;  // the loops are bounded by the model, not by n
    const std::int32_t unknowns = m.numbering.unknown_count;
    const auto xs = x.view(1, unknowns);
    const auto gs = g.view(1, unknowns);
    double* slopes = gs.data() + m.numbering.free_count + (m.problem.mesh.elements.first() - 1);
    return sheet::total_potential_energy_in_blocks(
        m, plan, xs, gs,
        [&](std::size_t begin, std::size_t end, const sheet::block_io& io) {
            evaluate_elements(m, xs, begin, end, io, slopes);
        },
        along);
}

}  // namespace dorvan
