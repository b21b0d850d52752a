// Total potential energy of the sheet and its gradient over the unknowns: the function the
// minimiser minimises.
#pragma once

#include <cstdint>

#include "arrays/terms.hpp"
#include "dorvan/model.hpp"
#include "nlp/slope.hpp"
#include "sheet/assembly/assembly_plan.hpp"

namespace dorvan {

// Returns the strain energy of all elements less the work of the loads on the free
// components, plus -p V of the follower pressures, and writes every entry 1..unknown_count of
// g: out-of-balance forces of the free components, then the thickness slope of each element.
// plan is the one start made for m. With along.d set, also stores g . along.d over the same
// entries in *along.slope.
double objective(const model& m, sheet::assembly_plan& plan, std::int32_t n,
                 const terms::real_vector& x, terms::real_vector& g, nlp::slope_request along = {});

}  // namespace dorvan
