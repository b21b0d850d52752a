// The scripts a prepared sweep holds: run-case.sh runs one case and keeps what it printed and
// how it ended; run-parallel.sh runs them all with GNU parallel, run-slurm.sh as a Slurm job
// array, each through run-case.sh.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace sheetprep {

// Where the scripts look: the sweep's directory, when they are not run from it, and the
// solvers found beside sheetprep (empty where none is: then the one on PATH).
struct script_places {
    std::filesystem::path sweep;
    std::string dorvan;
    std::string melvar;
};

script_places find_solvers(const std::filesystem::path& solver_dir,
                           const std::filesystem::path& sweep);

std::string run_case_script(const script_places& places);
std::string run_parallel_script(const script_places& places);
// One array task per case, 1 to cases.
std::string run_slurm_script(const script_places& places, std::size_t cases);

}  // namespace sheetprep
