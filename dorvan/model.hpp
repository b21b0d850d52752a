// The problem model of a dorvan run: the shared mesh, supports, loads and unknowns, plus the
// compressible material constants and the count of unknowns with one thickness per element.
#pragma once

#include <cstdint>
#include <vector>

#include "sheet/model/model.hpp"
#include "sheet/output/report.hpp"
#include "sheet/input/scanner.hpp"

namespace dorvan {

struct model : sheet::mesh {
    // material 1, neo-Hookean
    double neo_shear = 0.0;
    double neo_bulk = 0.0;
    // material 2, Mooney-Rivlin
    double mooney_c10 = 0.0;
    double mooney_c01 = 0.0;
    double mooney_bulk = 0.0;

    // free_count + the element count: x(free_count + e) is the thickness variable of element e.
    std::int32_t unknown_count = 0;
};

// Reads input.txt into the model.
void input(model& m);
// Reads the text that in holds into the model.
void input(model& m, sheet::scanner& in);

// Element geometry, numbering of the unknowns, x, gradient and the stopping tolerance.
void start(model& m);

// Writes ansys.txt with the compressible material table.
void ansys(const model& m);

// Writes output.txt with the thickness column; kept, when given, receives the element rows.
void output(model& m, std::vector<sheet::element_row>* kept = nullptr);

}  // namespace dorvan
