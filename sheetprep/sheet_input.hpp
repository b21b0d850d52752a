// What input.txt will hold, in our own types: the problem's settings and material, the mesh,
// one value per supported or loaded node component, the follower pressures and the chambers.
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

// The follower pressure on one triangle (counted from 0).
struct triangle_pressure {
    std::int32_t triangle;
    double value;
};

// A chamber as input.txt gives it: its control ("pressure", "volume" or "gas") and that
// control's values in the order they are read, its triangles (from 0, ascending), and its
// enclosed volume at the start.
struct chamber_input {
    std::string control;
    std::vector<double> values;
    std::vector<std::int32_t> triangles;
    double initial_volume = 0.0;
};

struct sheet_input {
    std::string title;
    std::string origin;  // which mesh and problem file it came from
    program_kind program = program_kind::dorvan;
    settings solver;
    double thickness = 0.0;
    material law;
    const mesh* sheet = nullptr;
    std::vector<component_value> supports;     // node then direction order, each once
    std::vector<component_value> loads;        // the same, and never 0.0
    std::vector<triangle_pressure> pressures;  // follower pressures by triangle, never 0.0
    std::vector<chamber_input> chambers;
};

}  // namespace sheetprep
