// The run driver's minimisation step, shared by both programs: limited-memory BFGS on the
// model's unknowns with the model's settings.
#pragma once

#include <cstdint>

#include "nlp/qn.hpp"
#include "sheet/command_line.hpp"
#include "sheet/mesh.hpp"

namespace sheet {

// Minimises objective over x(1..n) from the model's x; x and gradient are updated in place.
template <class Objective>
nlp::qn_result minimise(mesh& m, std::int32_t n, Objective& objective, const options& o) {
    (void)o;
    nlp::qn<Objective> qn(objective);
    return qn.lbfgs(m.memory_size, n, m.max_iterations, m.search_limit, m.tolerance,
                    m.search_factor, m.x, m.gradient);
}

}  // namespace sheet
