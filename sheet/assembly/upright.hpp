// Whether a step may be evaluated: no triangle turned over on the way.
#pragma once

#include <cstddef>
#include <span>

#include "sheet/assembly/block_io.hpp"

namespace sheet {

// True when, for each of the elements of table (count of them), the normal a x b at the unknowns
// to points to the side of its normal at the unknowns from (a positive, finite dot product),
// both displaced with the prescribed values: a triangle that a step turns over or collapses, or a
// non-finite displacement, makes it false. A triangle may rotate as far as it likes over many
// steps (a membrane bulged past a hemisphere turns its rim's triangles beyond a right angle);
// one step turns none by a right angle or more.
bool no_triangle_turned_over(const element_columns& table, std::size_t elements,
                             std::span<const double> from, std::span<const double> to,
                             const double* prescribed);

// True when each of the elements of table has its normal at the unknowns to, displaced with
// the prescribed values, to the side of its normal at rest (a positive, finite dot product): no
// triangle is upside down, however far it has turned on the way.
bool no_triangle_upside_down(const element_columns& table, std::size_t elements,
                             std::span<const double> to, const double* prescribed);

}  // namespace sheet
