// One incompressible triangle: its thickness follows from its change of area.
#pragma once

#include "arrays/terms.hpp"
#include "melvar/model.hpp"

namespace melvar {

struct element_result {
    double strain_energy;  // W A2 t0 / 2
    double stretch3;       // lambda3 = A2 / |a x b|; the current thickness is t0 lambda3
    double i1;             // trace of C
    double trace_c2;       // trace of C^2
    double w1;             // dW/d i1
    double w2;             // dW/d trace_c2
};

// The element r at the unknowns x: fills forces with its internal nodal forces.
element_result element2(const model& m, const sheet::element& r, const terms::fmat1& x,
                        sheet::element_forces& forces);

// The same from the displacements u[l][j] of its corners N1, N2, N3, already gathered.
element_result element_state(const model& m, const sheet::element& r, const double (&u)[3][3],
                             sheet::element_forces& forces);

}  // namespace melvar
