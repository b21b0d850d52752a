// The plain mesh as bytes, to carry it from gmsh's process to ours: every number as its bits,
// so that the mesh arrives exactly as gmsh made it.
#pragma once

#include <string>
#include <string_view>

#include "sheetprep/mesh.hpp"

namespace sheetprep {

std::string mesh_to_bytes(const mesh& m);

// Fails when the bytes are not a whole mesh (a process that stopped half way through writing).
mesh mesh_from_bytes(std::string_view bytes);

}  // namespace sheetprep
