// The incompressible objective: no thickness entries.
#include "melvar/objective.hpp"

#include "melvar/element_lanes.hpp"
#include "sheet/assembly/objective.hpp"

namespace melvar {

double objective(const model& m, sheet::assembly_plan& plan, std::int32_t n,
                 const terms::real_vector& x, terms::real_vector& g, nlp::slope_request along) {
    (void)n;  // n is free_count, by which the loops are bounded
    const std::int32_t free_count = m.numbering.free_count;
    const auto xs = x.view(1, free_count);
    return sheet::total_potential_energy_in_blocks(
        m, plan, xs, g.view(1, free_count),
        [&](std::size_t begin, std::size_t end, const sheet::block_io& io) {
            evaluate_elements(m, xs, begin, end, io);
        },
        along);
}

}  // namespace melvar
