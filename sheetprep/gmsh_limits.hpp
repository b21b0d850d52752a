// What gmsh's limits mean, in the user's words.
#pragma once

#include <cstddef>
#include <string>

#include "sheetprep/child_process.hpp"
#include "sheetprep/gmsh_mesh.hpp"

namespace sheetprep {

// Fails, saying why, for gmsh's process that ended without a mesh: out of time, out of memory,
// by a signal or with an exit status.
[[noreturn]] void report_gmsh_end(const child_result& ended, const std::string& name,
                                  const mesh_limits& limits);

// Fails when mesh_size asks for more triangles (expected, on a sheet of that area) than allowed.
void check_count_asked(double expected, double mesh_size, double area, const std::string& name,
                       const mesh_limits& limits);

// Fails when the mesh made has more triangles than allowed.
void check_count_made(std::size_t triangles, const std::string& name, const mesh_limits& limits);

}  // namespace sheetprep
