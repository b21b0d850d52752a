// The element routine over a block of elements, several at a time in vector lanes: the same
// formulas as element_state, to the bit, on the widest vectors the CPU offers.
#pragma once

#include <cstddef>
#include <span>

#include "dorvan/model.hpp"
#include "sheet/assembly/block_io.hpp"

namespace dorvan {

// The elements at positions begin..end-1 of m.elements (0 = the first) at the unknowns xs =
// x(1..unknown_count), their energies and forces put as io says, and the thickness slopes of
// io's own elements at slopes[at], where slopes[0] is the gradient entry of the first element.
void evaluate_elements(const model& m, std::span<const double> xs, std::size_t begin,
                       std::size_t end, const sheet::block_io& io, double* slopes);

}  // namespace dorvan
