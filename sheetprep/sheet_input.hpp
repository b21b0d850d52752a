// What input.txt will hold, in our own types: the problem's settings and material, the mesh,
// and one value per supported or loaded node component.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sheetprep/mesh.hpp"
#include "sheetprep/problem.hpp"

namespace sheetprep {

// A prescribed displacement or a force on one component; node and direction count from 0.
struct component_value {
    std::int32_t node;
    int direction;
    double value;
};

struct sheet_input {
    std::string title;
    std::string origin;  // which mesh and problem file it came from
    program_kind program = program_kind::dorvan;
    settings solver;
    double thickness = 0.0;
    material law;
    const mesh* sheet = nullptr;
    std::vector<component_value> supports;  // node then direction order, each once
    std::vector<component_value> loads;     // the same, and never 0.0
};

}  // namespace sheetprep
