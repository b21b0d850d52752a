// How every program of the package ends a run: one line on standard error and exit status 1 for
// any failure, and the solvers' console summary and warning of folds.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sheet/model/model.hpp"
#include "sheet/model/rigid_motion.hpp"

namespace sheet {

// Runs the stages of a program; returns the exit status. A failure of any stage is reported on
// standard error as "<program>: <what failed>" and gives status 1. An interrupt (SIGINT,
// SIGTERM) removes the file being written and ends the process by that signal.
int run_stages(const char* program, const std::function<void()>& stages);

// The console summary: an empty line, then "Minor = " with the iteration count in 5 columns
// and "     Optimal" or "     NOT Optimal".
void print_summary(std::int32_t minor, bool optimal);

// After the summary of a problem with chambers, a line for each: "Chamber K: volume V, pressure
// p", six significant digits.
void print_chambers(const std::vector<chamber_reading>& chambers);

// When some of the final state's triangles are inverted (area ratio <= 0, the sheet has
// folded), says how many on standard error: "<program>: warning: N of M triangles are
// inverted ...".
void warn_of_inverted_triangles(const char* program, const std::vector<element_row>& rows);

// The rigid-body motions the supports leave free in words: "the supports leave the sheet free
// to move as a rigid body (translation in X and Y, rotation about Z)", a part of the sheet by
// its lowest node, and of several the first; "" when none is free.
std::string rigid_motion_in_words(const rigid_freedom& freedom);

// When the supports leave the sheet, or parts of it, free to move as a rigid body, says which
// motions on standard error: "<program>: warning: " and the words above, and what to do. A
// run that fails says it in its one line instead (with_rigid_motion).
void warn_of_rigid_motion(const char* program, const rigid_freedom& freedom);

// The failure text what, with the rigid-body motions the supports leave free after it when
// there are any: the likely reason why a sheet found no equilibrium.
std::string with_rigid_motion(const std::string& what, const rigid_freedom& freedom);

}  // namespace sheet
