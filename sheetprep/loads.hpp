// Lumping the loads of the problem file to nodal forces. They are dead loads on the initial
// geometry: a pressure acts along each triangle's initial normal and keeps it.
#pragma once

#include <array>
#include <vector>

#include "sheetprep/mesh.hpp"
#include "sheetprep/problem.hpp"
#include "sheetprep/sheet_input.hpp"

namespace sheetprep {

// X, Y, Z force on each node of the mesh.
using nodal_forces = std::vector<std::array<double, 3>>;

// Adds the nodal forces of one load on group g to forces. A pressure or a traction needs a
// surface group, a line load a curve group; a force goes whole to each node of its group. Fails
// on a pressure group with two triangles that run along their shared edge the same way.
void lump(const load& applied, const group& g, const mesh& m, nodal_forces& forces);

// One entry per component whose summed force is not exactly 0.0, in node then direction order.
std::vector<component_value> load_components(const nodal_forces& forces);

}  // namespace sheetprep
