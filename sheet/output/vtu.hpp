// The solved sheet as a VTK XML unstructured grid (.vtu) for ParaView: the initial mesh with the
// report's results and each element's deformation as point, cell and field data, in full
// precision as raw appended binary.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sheet/model/law.hpp"
#include "sheet/model/model.hpp"

namespace sheet {

// How the run ended, as the field data's status says.
enum class run_status : std::int32_t { optimal = 0, not_optimal = 1, line_search_failure = 2 };

// What the .vtu says of the run beside the model: the program that wrote it, how the run ended
// and the law it solved with.
struct vtu_header {
    const char* program = "";  // "dorvan"
    const char* version = "";
    run_status status = run_status::optimal;
    law_fields law;
};

// Writes name from the solved model and its final state:
//   a comment with the program, its version and the title of input.txt;
//   points: the initial coordinates; cells: the triangles in element order;
//   point data: displacement, load (as applied), reaction (the out-of-balance force of each
//     prescribed component, 0 for free ones), fixed (1 for a prescribed component),
//     fixed_count (how many of the node's components are prescribed);
//   cell data: element (its number), sigma1, sigma2, von_mises, thickness (current), stretch
//     (lambda1, lambda2), stretch3, direction1, direction2, membrane_force (sigma1 t, sigma2 t),
//     area_ratio, state (0 taut, 1 wrinkled, 2 slack: from the stresses, or under the
//     tension-field energy the elements' own), and under that energy wrinkle_direction (the
//     compressed direction of a wrinkled element, else 0) and lost_width;
//   field data: iterations, energy, optimal, status, law, the law's constants,
//     initial_thickness, tolerance, then the extra values in their order.
// Fails with "cannot create <name>: <reason>" as the other writers do.
void vtu(const std::string& name, const model& m, const vtu_header& header,
         const std::vector<field_value>& extra = {});

}  // namespace sheet
