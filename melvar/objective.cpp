// The incompressible objective: no thickness entries.
#include "melvar/objective.hpp"

#include "melvar/element_lanes.hpp"
#include "sheet/assembly/objective.hpp"

namespace melvar {

double objective(const model& m, std::int32_t n, const terms::fmat1& x, terms::fmat1& g,
                 nlp::slope_request along) {
    (void)n;  // n is free_count, by which the loops are bounded
    const auto xs = x.view(1, m.free_count);
    return sheet::total_potential_energy_in_blocks(
        m, xs, g.view(1, m.free_count),
        [&](std::size_t begin, std::size_t end, const sheet::block_io& io) {
            evaluate_elements(m, xs, begin, end, io);
        },
        along);
}

}  // namespace melvar
