// Running sheetprep with arguments in a directory of its own, and the meshes the tests share.
#pragma once

#include <sys/wait.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/program_run.hpp"

namespace sheetprep_testing {

using testing_support::run_result;

inline std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    out += '\'';
    return out;
}

inline run_result run_sheetprep(const std::vector<std::string>& arguments,
                                const std::filesystem::path& dir) {
    run_result result;
    result.dir = dir;
    const std::filesystem::path out = dir / ".stdout.capture", err = dir / ".stderr.capture";
    // Built with += alone: GCC 12 warns falsely on a literal + std::string here.
    std::string command = "cd ";
    command += quoted(dir.string());
    command += " && ";
    command += quoted(SHEETPREP_EXE);
    for (const std::string& argument : arguments) {
        command += ' ';
        command += quoted(argument);
    }
    command += " > ";
    command += quoted(out.string());
    command += " 2> ";
    command += quoted(err.string());
    command += " < /dev/null";
    const int status = std::system(command.c_str());
    result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = testing_support::read_file(out);
    result.err = testing_support::read_file(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return result;
}

inline std::string data_file(const std::string& name) {
    return std::string(TEST_DATA_DIR) + "/sheetprep/" + name;
}

// The unit square in a 4 x 4 grid of cells of side 0.25, each cut by the same diagonal, as a
// gmsh 2.2 mesh: every coordinate is exact, and every interior node has six equal triangles.
// Groups: "edge" (curve), "face" (surface).
inline std::string square_msh() {
    std::string nodes, elements;
    auto node = [](int i, int j) { return std::to_string(1 + i + 5 * j); };
    int count = 0;
    for (int j = 0; j <= 4; ++j)
        for (int i = 0; i <= 4; ++i)
            nodes += node(i, j) + " " + std::to_string(0.25 * i) + " " + std::to_string(0.25 * j) +
                     " 0\n";
    const int ring[][2] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    for (int side = 0; side < 4; ++side) {
        const auto [i0, j0] = ring[side];
        const auto [i1, j1] = ring[(side + 1) % 4];
        for (int k = 0; k < 4; ++k)
            elements += std::to_string(++count) + " 1 2 1 1 " +
                        node(i0 + (i1 - i0) * k / 4, j0 + (j1 - j0) * k / 4) + " " +
                        node(i0 + (i1 - i0) * (k + 1) / 4, j0 + (j1 - j0) * (k + 1) / 4) + "\n";
    }
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) {
            elements += std::to_string(++count) + " 2 2 2 1 " + node(i, j) + " " + node(i + 1, j) +
                        " " + node(i + 1, j + 1) + "\n";
            elements += std::to_string(++count) + " 2 2 2 1 " + node(i, j) + " " +
                        node(i + 1, j + 1) + " " + node(i, j + 1) + "\n";
        }
    return "$MeshFormat\n2.2 0 8\n$EndMeshFormat\n$PhysicalNames\n2\n1 1 \"edge\"\n"
           "2 2 \"face\"\n$EndPhysicalNames\n$Nodes\n25\n" +
           nodes + "$EndNodes\n$Elements\n" + std::to_string(count) + "\n" + elements +
           "$EndElements\n";
}

}  // namespace sheetprep_testing
