// A design study: the [sweep] table of a problem file names some of its values and lists the
// values each takes; the cases (their product, or the lists zipped) are prepared in one go, each
// in a directory of its own, with a manifest and the scripts that run them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace sheetprep {

// At most this many cases: a sweep beyond it is a mistake in its lists more often than a plan.
constexpr std::size_t most_cases = 100000;

// What a prepared sweep holds, for the summary.
struct sweep_summary {
    std::size_t cases = 0;
    std::vector<std::string> keys;          // the swept keys, in the order of the [sweep] table
    std::vector<std::size_t> value_counts;  // each key's number of values
    bool zipped = false;
    std::vector<std::string> programs;  // the solvers the cases name, each once
    // Cases whose dorvan sheet is thinner than 0.05 mesh length units (their directories).
    std::vector<std::string> thin_dorvan_cases;
};

// Prepares every case of the sweep in problem_file into dir: dir/case-0001/ ... each with its
// problem file (the [sweep] table left out, the case's values in place, the mesh named so that
// it resolves from there) and the input.txt that sheetprep -o would write from it; then
// dir/manifest.csv (case, directory, program and the swept values) and the scripts run-case.sh,
// run-parallel.sh (GNU parallel) and run-slurm.sh (a Slurm job array). solver_dir is where the
// solvers were built or installed beside sheetprep: the scripts run those found there.
//
// dir must be absent or an empty directory. Fails, with nothing written, on a problem file that
// is no problem without its [sweep] table, on a [sweep] table that names a key the problem file
// does not give, a value of another type than the key's, an empty list, zipped lists of unequal
// length or more than most_cases cases, on a case that cannot be prepared, and on a dir that
// holds files. SIGINT or SIGTERM stops it after the case in hand, removes what it wrote and ends
// the process by that signal.
sweep_summary prepare_sweep(const std::string& problem_file, const std::string& dir,
                            const std::filesystem::path& solver_dir);

// The text of a field of a CSV file: as it is, or in double quotes (each quote doubled) when it
// holds a comma, a quote or a line break.
std::string csv_field(const std::string& text);

}  // namespace sheetprep
