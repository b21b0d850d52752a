// Which triangles have folded over: turned over against the triangles that share their edges,
// as a crease of the mesh turns them, where a surface that merely rotates (a membrane bulged
// past a hemisphere turns its rim's triangles beyond a right angle) turns its triangles with
// their neighbours.
#pragma once

#include <cstdint>
#include <vector>

#include "sheet/model/model.hpp"

namespace sheet {

// For every triangle of mesh, in element order, whether it has folded at the displacements
// (by node and direction). A pair of triangles that share an edge has turned over against each
// other when the dot product of their current normals and that of their initial normals differ
// in sign. The triangles joined by pairs that have not turned over form patches; across the
// pairs of each connected piece of the sheet its patches fall on two sides, and the side of less
// current area (or, of equal area, whose normals agree less with their initial ones) has folded.
// A pair turned over within a patch on one side (a crease that ends inside the sheet) folds the
// one of the two of less current area (or whose normal agrees less with its initial one). A
// triangle that shares no edge has folded when its normal has turned against its initial one.
std::vector<std::uint8_t> folded_triangles(const mesh& mesh,
                                           const terms::real_matrix& displacements);

}  // namespace sheet
