// How every program of the package ends a run: one line on standard error and exit status 1 for
// any failure, and the solvers' console summary and warning of folds.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "sheet/model/model.hpp"

namespace sheet {

// Runs the stages of a program; returns the exit status. A failure of any stage is reported on
// standard error as "<program>: <what failed>" and gives status 1. An interrupt (SIGINT,
// SIGTERM) removes the file being written and ends the process by that signal.
int run_stages(const char* program, const std::function<void()>& stages);

// The console summary: an empty line, then "Minor = " with the iteration count in 5 columns
// and "     Optimal" or "     NOT Optimal".
void print_summary(std::int32_t minor, bool optimal);

// When some of the final state's triangles are inverted (area ratio <= 0, the sheet has
// folded), says how many on standard error: "<program>: warning: N of M triangles are
// inverted ...".
void warn_of_inverted_triangles(const char* program, const std::vector<element_row>& rows);

}  // namespace sheet
