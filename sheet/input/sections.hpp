// The sections of input.txt that both programs read alike: settings, nodes, elements,
// prescribed displacements and loads. The material law's constants are each program's own.
#pragma once

#include <cstdint>

#include "sheet/failure.hpp"
#include "sheet/input/scanner.hpp"
#include "sheet/model/model.hpp"

namespace sheet {

// The title: the first line of the text, unless that is already the settings header.
void read_title(const scanner& in, problem& p);
// Header scan, then section 1: the six solver settings.
void read_settings(scanner& in, solver_settings& s);
// Header scan, then the thickness; returns the number of the material law, whose constants the
// program reads next.
std::int32_t read_sheet(scanner& in, problem& p);
// Sections 3 to 6, each after its header scan.
void read_mesh(scanner& in, problem& p);

// The failure of a material law number that names none of the program's laws.
failure undefined_law(std::int32_t number);

}  // namespace sheet
