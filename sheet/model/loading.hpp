// Load steps: the factor of each step and the scaled loads, prescribed displacements and
// pressures that the run applies at it, kept beside the problem as read.
#pragma once

#include <cstdint>

#include "sheet/model/model.hpp"

namespace sheet {

// The load factor of step k of count: k / count, exactly 1 at the last.
double load_factor(std::int32_t k, std::int32_t count);

// Puts m at step k of count: the problem's loads, prescribed values and pressures each times
// load_factor(k, count) into m.step (left empty at the factor 1, where the problem's apply).
void set_load_step(model& m, std::int32_t k, std::int32_t count);

}  // namespace sheet
