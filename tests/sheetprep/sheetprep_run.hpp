// Running sheetprep with arguments in a directory of its own; the test meshes: dome.geo (a
// hemisphere of radius 2) and square.msh (the unit square in 4 x 4 cells, each cut by the
// same diagonal, every coordinate exact).
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/program_run.hpp"

namespace sheetprep_testing {

inline std::string data_file(const std::string& name) {
    return std::string(TEST_DATA_DIR) + "/sheetprep/" + name;
}

inline testing_support::run_result run_sheetprep(const std::vector<std::string>& arguments,
                                                 const std::filesystem::path& dir) {
    std::string command = "cd '" + dir.string() + "' && '" SHEETPREP_EXE "'";
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    command += " > .out 2> .err < /dev/null";
    const int status = std::system(command.c_str());
    testing_support::run_result run;
    run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = testing_support::read_file(dir / ".out");
    run.err = testing_support::read_file(dir / ".err");
    std::filesystem::remove(dir / ".out");
    std::filesystem::remove(dir / ".err");
    return run;
}

}  // namespace sheetprep_testing
