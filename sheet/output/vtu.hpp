// The solved sheet as a VTK XML unstructured grid (.vtu) for ParaView: the initial mesh with the
// report's results as point, cell and field data, in full precision as raw appended binary.
#pragma once

#include <string>
#include <vector>

#include "sheet/model/model.hpp"

namespace sheet {

// A value of the run written as field data beside the others, as one Float64.
struct field_value {
    std::string name;
    double value;
};

// Writes name from the solved model and its final state:
//   points: the initial coordinates; cells: the triangles in element order;
//   point data: displacement, load (as applied), reaction (the out-of-balance force of each
//     prescribed component, 0 for free ones), fixed (1 for a prescribed component);
//   cell data: element (its number), sigma1, sigma2, von_mises, thickness (current);
//   field data: iterations, energy, optimal, then the extra values in their order.
// Fails with "cannot create <name>: <reason>" as the other writers do.
void vtu(const std::string& name, const model& m, const std::vector<field_value>& extra = {});

}  // namespace sheet
