// The optional section after the loads: follower pressures by element. A file without it (every
// file of the six sections) is read as before, and the text after its loads section still
// means nothing.
#pragma once

#include "sheet/input/scanner.hpp"
#include "sheet/model/model.hpp"

namespace sheet {

// After the loads section: when a header line whose first word is "pressures" (any case)
// follows, reads its count, then (if it is positive) a heading line and `element pressure`
// lines into p.pressures, ascending by element. Fails on an element outside 1..the element
// count, an element given twice, a negative count and a count that does not match the lines.
void read_pressures(scanner& in, problem& p);

}  // namespace sheet
