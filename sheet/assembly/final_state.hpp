// What the elements give at the final point, computed once for every writer: each element's row
// (thickness, principal stresses and deformation) and the out-of-balance force of every component.
#pragma once

#include <cstdint>
#include <functional>

#include "sheet/model/model.hpp"

namespace sheet {

// The program's element routine at the final point: fills the element's nodal forces and
// returns its row. It may run on any thread, so it must only read.
using element_row_of = std::function<element_row(std::int32_t e, element_forces& forces)>;

// Fills m.results.rows with every element's row in element order, and m.results.reactions
// with every component's out-of-balance force: minus its load, then the forces of its
// elements added in ascending element order, then those of its pressurised elements, likewise.
void find_final_state(model& m, const element_row_of& row_of);

}  // namespace sheet
