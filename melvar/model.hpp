// The problem model of a melvar run: the shared mesh, supports, loads and unknowns, plus the
// incompressible material constants. The unknowns are the free displacement components only.
#pragma once

#include <vector>

#include "sheet/model/model.hpp"
#include "sheet/output/report.hpp"
#include "sheet/input/scanner.hpp"

namespace melvar {

struct model : sheet::mesh {
    // material 1, neo-Hookean
    double neo_shear = 0.0;
    // material 2, Mooney-Rivlin
    double mooney_c10 = 0.0;
    double mooney_c01 = 0.0;
    // material 3, Arruda-Boyce: shear modulus, locking stretch L and the five coefficients of
    // its series, derived from L when it is read
    double boyce_shear = 0.0;
    double boyce_lock = 0.0;
    terms::fmat1 boyce_coef;
};

// Reads input.txt into the model.
void input(model& m);
// Reads the text that in holds into the model.
void input(model& m, sheet::scanner& in);

// Arruda-Boyce series coefficients c1..c5 for the locking stretch lock.
terms::fmat1 boyce_coefficients(double lock);

// Element geometry, numbering of the unknowns, x, gradient and the stopping tolerance.
void start(model& m);

// Writes ansys.txt with the incompressible material table.
void ansys(const model& m);

// Writes output.txt without the thickness column; kept, when given, receives the element rows
// (with the current thickness t0 lambda3, which the report does not show).
void output(model& m, std::vector<sheet::element_row>* kept = nullptr);

}  // namespace melvar
