// What Newton's method asks of melvar beyond its objective: the exact second derivatives of one
// element's strain energy.
#pragma once

#include <cstddef>
#include <span>

#include "melvar/model.hpp"
#include "sheet/assembly/block_io.hpp"

namespace melvar {

// The element's unknowns in its Hessian: corner l, direction j at 3 l + j.
constexpr int element_unknowns = 9;

// The Hessian of the strain energy of the element at position at (0 = the first) over its nine
// corner displacements, at the unknowns xs = x(1..free_count), into packed: entry (a, b),
// a <= b, at b (b + 1) / 2 + a.
void element_hessian(const model& m, const sheet::element_columns& table, std::size_t at,
                     std::span<const double> xs, double* packed);

}  // namespace melvar
