// Reading a mesh through gmsh: a .geo script is meshed in two dimensions, any other file is
// opened as a mesh. Every gmsh failure comes back as our own failure. gmsh runs in a process of
// its own, under a limit of time and one of memory, after its scripts have passed the guard.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "sheetprep/mesh.hpp"

namespace sheetprep {

// A million triangles: some 800 MB of gmsh's memory and minutes of meshing, and more unknowns
// than the solvers finish with in an hour.
constexpr std::int64_t default_max_elements = 1000000;
// Five minutes: gmsh meshed 1.8 million triangles in three and a half on a busy machine.
constexpr double default_mesh_seconds = 300.0;

struct mesh_limits {
    std::int64_t max_elements = default_max_elements;  // triangles of the sheet
    double seconds = default_mesh_seconds;             // wall-clock time for gmsh, in all
    // The folder that every file a script reads must lie in; empty: the mesh file's folder.
    std::filesystem::path tree;
};

// The memory gmsh may take: a gigabyte, and 4 KiB for each triangle allowed (it takes some 800
// bytes for each triangle it makes).
std::uint64_t gmsh_memory(std::int64_t max_elements);

// mesh_size, when given, bounds the element size of a .geo mesh (gmsh's Mesh.MeshSizeMax).
// Fails when the file is missing or unreadable; when a script it makes gmsh read holds a
// command the guard refuses; when mesh_size asks for more than max_elements triangles over the
// sheet's area, or the mesh holds more; when gmsh runs out of time or memory, crashes or cannot
// read the file; when a .geo mesh shows that gmsh gave up on the size asked; and when the
// surface mesh is not made of 3-node triangles only.
mesh read_mesh(const std::filesystem::path& file, std::optional<double> mesh_size,
               const mesh_limits& limits = {});

}  // namespace sheetprep
