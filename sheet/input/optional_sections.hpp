// The optional sections after the loads, each found by the first word of its header line (in any
// case): the follower pressures, the chambers and the membrane's model. A file of the six sections
// alone (every file written before them) reads as before, and text after its loads that holds no
// such header still means nothing; a section given twice is read at its first header only.
#pragma once

#include "sheet/input/scanner.hpp"
#include "sheet/model/model.hpp"

namespace sheet {

// Reads every optional section that follows, into p.
void read_optional_sections(scanner& in, problem& p);

// A section's body, after its header: its count, then (if it is positive) a heading line and its
// lines.
void read_pressures(scanner& in, problem& p);
void read_chambers(scanner& in, problem& p);
// The membrane section's body: one word in any case, "exact" (the law's own energy, as without
// the section) or "tension-field" (its relaxed energy, which carries no compression:
// p.tension_field). Fails on any other word and on none.
void read_membrane(scanner& in, problem& p);

}  // namespace sheet
