// Collecting the prescribed displacements of all supports, one per node component.
#pragma once

#include <string>
#include <vector>

#include "sheetprep/mesh.hpp"
#include "sheetprep/problem.hpp"
#include "sheetprep/sheet_input.hpp"

namespace sheetprep {

// A support with the nodes of the groups its name selects.
struct held_nodes {
    const support* held;
    std::vector<std::int32_t> nodes;
};

// One entry per prescribed component, in node then direction order. The same value given twice
// is one entry; two supports giving a component different values fail, naming both groups
// and the node.
std::vector<component_value> prescribe(const std::vector<held_nodes>& supports, const mesh& m);

}  // namespace sheetprep
