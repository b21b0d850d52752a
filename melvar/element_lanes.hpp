// The element routine over a block of elements, several at a time in vector lanes: the same
// formulas as element_state, to the bit, on the widest vectors the CPU offers.
#pragma once

#include <cstddef>
#include <span>

#include "melvar/model.hpp"

namespace melvar {

// The elements at positions begin..end-1 of m.elements (0 = the first) at the unknowns xs =
// x(1..free_count): energy[at - begin] and the nine forces at forces[9 (at - begin) + 3 l + j].
// Throws for a material law that is not defined.
void evaluate_elements(const model& m, std::span<const double> xs, std::size_t begin,
                       std::size_t end, double* energy, double* forces);

}  // namespace melvar
