// Reading a mesh through gmsh: a .geo script is meshed in two dimensions, any other file is
// opened as a mesh. Every gmsh failure comes back as our own failure.
#pragma once

#include <filesystem>
#include <optional>

#include "sheetprep/mesh.hpp"

namespace sheetprep {

// mesh_size, when given, bounds the element size of a .geo mesh (gmsh's Mesh.MeshSizeMax).
// Fails when the file is missing or unreadable, when gmsh cannot read it, and when its surface
// mesh is not made of 3-node triangles only.
mesh read_mesh(const std::filesystem::path& file, std::optional<double> mesh_size);

}  // namespace sheetprep
