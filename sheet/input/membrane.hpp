// The optional section after the pressures: which energy the membrane stores. A file without it
// is read as before.
#pragma once

#include "sheet/input/scanner.hpp"
#include "sheet/model/model.hpp"

namespace sheet {

// When a header line whose first word is "membrane" (any case) follows, reads its model, a word
// in any case: "exact" (the law's own energy, as without the section) or "tension-field" (its
// relaxed energy, which carries no compression: p.tension_field). Fails on any other word and
// on none.
void read_membrane(scanner& in, problem& p);

}  // namespace sheet
