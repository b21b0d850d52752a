// The element routine over a block of elements, several at a time in vector lanes: the same
// formulas as element_state, to the bit, on the widest vectors the CPU offers.
#pragma once

#include <cstddef>
#include <span>

#include "melvar/model.hpp"
#include "sheet/assembly/block_io.hpp"

namespace melvar {

// The elements at positions begin..end-1 of m.elements (0 = the first) at the unknowns xs =
// x(1..free_count), their energies and forces put as io says.
void evaluate_elements(const model& m, std::span<const double> xs, std::size_t begin,
                       std::size_t end, const sheet::block_io& io);

}  // namespace melvar
