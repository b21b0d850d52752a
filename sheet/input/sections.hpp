// The sections of input.txt that both programs read alike: settings, nodes, elements,
// prescribed displacements and loads. The sheet-and-material section is each program's own.
#pragma once

#include "sheet/model/model.hpp"
#include "sheet/input/scanner.hpp"

namespace sheet {

// Header scan, then section 1: the six solver settings.
void read_settings(scanner& in, mesh& m);
// Header scan, then thickness and material law; the program reads the law's constants next.
void read_sheet(scanner& in, mesh& m);
// Sections 3 to 6, each after its header scan.
void read_mesh(scanner& in, mesh& m);

}  // namespace sheet
