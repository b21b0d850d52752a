// Whether a trial point may be evaluated: no triangle turned inside out.
#pragma once

#include <cstddef>
#include <span>

#include "sheet/assembly/block_io.hpp"

namespace sheet {

// True when, for each of the elements of table (count of them) displaced by the unknowns xs
// and the prescribed values, the current normal a x b points to the side of the initial one
// (a positive, finite dot product): a triangle turned over or collapsed, or a non-finite
// displacement, makes it false.
bool every_triangle_upright(const element_columns& table, std::size_t elements,
                            std::span<const double> xs, const double* prescribed);

}  // namespace sheet
