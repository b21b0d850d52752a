// output.txt: header box, node table, element table with the principal stresses, the support
// reactions and, for a problem with chambers, their volumes and pressures.
#pragma once

#include <string_view>

#include "sheet/model/model.hpp"

namespace sheet {

// Writes output.txt from the solved model and its final state (m.results.rows and reactions).
// thickness_column selects the 59-column element table of the compressible program; without it
// the table is 41 columns wide. A note, when given, follows the tables after an empty line: a run
// in load steps that could not reach the full loads says there that the report holds the last
// equilibrium it reached.
void output(const model& m, bool thickness_column, std::string_view note = {});

}  // namespace sheet
