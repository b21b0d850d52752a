// What the elements give at the final point, computed once for every writer: each element's row
// (thickness, principal stresses and deformation) and its nodal forces, added into the
// out-of-balance forces of its corners.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "sheet/model/model.hpp"

namespace sheet {

// A program's element at the final point: fills the element's nodal forces and returns its row.
// It may run on any thread, so it must only read.
using element_row_of = std::function<element_row(std::int32_t e, element_forces& forces)>;

// Every element's row of mesh in element order, its forces added into forces (by node and
// direction) in ascending element order: evaluated on the worker pool, taken up in order, so
// every sum is the same for any number of threads.
std::vector<element_row> element_rows(const mesh& mesh, const element_row_of& row_of,
                                      terms::real_matrix& forces);

}  // namespace sheet
