// The check a mesh file passes before gmsh reads it: a .geo script may describe geometry and mesh
// only. Its text is read as gmsh's lexer reads it, and a command that runs a program, writes,
// renames or deletes a file, ends or stalls the reading, or reads a file from outside the
// problem's folder (or the script itself again) is refused before gmsh sees any of it. Plain text
// only: nothing here calls gmsh.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace sheetprep {

// How gmsh takes in a file that a script names.
enum class read_kind {
    include,  // Include: always parsed as a script
    merge,    // Merge: opened like the mesh file itself, so parsed as a script unless it is a mesh
              // or CAD file, and its options file (name + ".opt") is parsed too when it exists
    data,     // ShapeFromFile, ListFromFile: read as CAD or numbers, never parsed
};

// A file that a script reads, as the script names it.
struct geo_read {
    std::string command;  // Include, Merge, ...
    std::string name;     // the file name between the quotes
    int line = 0;
    read_kind kind = read_kind::include;
};

// Checks the text of one script, named file in the messages: fails with "file:line: ..." on the
// first command it refuses, and on a file read whose name is computed rather than written in
// quotes. Returns the files the script reads, in order.
std::vector<geo_read> check_geo_text(std::string_view text, const std::string& file);

// Checks the mesh file as gmsh opens it: the file itself when gmsh would parse it as a script,
// its options file, and every file they read, each once. Each file read must be a regular file
// inside tree (symbolic links followed), and no script may read itself, directly or through
// others. Fails with the file and line of the command at fault.
void check_mesh_file_scripts(const std::filesystem::path& file, const std::filesystem::path& tree);

}  // namespace sheetprep
