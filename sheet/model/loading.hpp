// Load steps: the factor of each step and the load state the run applies at it, the problem's
// loads, prescribed displacements and pressures scaled by that factor.
#pragma once

#include <cstdint>

#include "sheet/model/model.hpp"

namespace sheet {

// The load factor of step k of count: k / count, exactly 1 at the last.
double load_factor(std::int32_t k, std::int32_t count);

// Step k of count of problem p: its loads, prescribed values and pressures each times
// load_factor(k, count) (left empty at the factor 1, where the problem's apply).
load_state load_state_at(const problem& p, std::int32_t k, std::int32_t count);

// A copy of step, its scaled values copied too.
load_state copy_of(const load_state& step);

// The unknowns' displacement or else the prescribed value at load of every component, by (node,
// direction).
terms::real_matrix displacements_at(const problem& p, const numbering& n,
                                    const terms::real_vector& x, const load_state& load);

}  // namespace sheet
