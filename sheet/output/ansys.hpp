// ansys.txt: an APDL deck that rebuilds the undeformed problem in the X-Y plane.
#pragma once

#include "sheet/model/law.hpp"
#include "sheet/model/model.hpp"
#include "sheet/output/text_file.hpp"

namespace sheet {

// Writes ansys.txt from the started model, with the law's hyperelastic table.
void ansys(const model& m, const deck_table& table);

// "TBDATA, <index>, " followed by value as a scientific real with 6 decimals.
void tbdata(text_file& out, int index, double value);

}  // namespace sheet
