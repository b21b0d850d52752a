// Gathering a sweep: one row per case of its manifest, read from what each run left in the
// case's directory; no case is run again.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sheetprep {

// How many cases ended each way, for the summary.
struct gather_summary {
    std::size_t cases = 0;
    std::size_t optimal = 0;
    std::size_t not_optimal = 0;
    std::size_t failed = 0;
    std::size_t running = 0;
    std::size_t not_run = 0;  // and those whose directory is missing
};

// Reads dir/manifest.csv and, for every case, the files run-case.sh leaves in its directory:
// status.txt, stdout.txt, stderr.txt, and the results, from result.vtu (with the field data of
// the last file of result.pvd, the series of a run in load steps) or else from output.txt.
// Writes file: the case, its directory and swept values, then status (Optimal, NOT Optimal,
// failed, running, not run, missing), message (a failure's last line on standard error),
// iterations, energy, max_displacement and max_displacement_node (the largest length of a
// node's displacement, and that node), max_sigma1, max_stretch, inverted (the count of
// triangles whose area ratio is 0 or below), and a column for every other scalar Float64 or
// Int32 field data of the .vtu files. Fails, writing nothing, when the manifest is missing or
// malformed.
gather_summary gather_sweep(const std::string& dir, const std::string& file);

// The rows of a CSV text, each a list of fields; fails on a quote left open.
std::vector<std::vector<std::string>> read_csv(std::string_view text);

}  // namespace sheetprep
