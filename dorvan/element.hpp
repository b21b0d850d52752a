// One compressible triangle: strain energy, nodal forces, thickness slope, strain invariants
// and material derivatives.
#pragma once

#include <cstdint>

#include "arrays/terms.hpp"
#include "dorvan/model.hpp"

namespace dorvan {

struct element_result {
    double strain_energy;    // W A2 t0 / 2
    double thickness_slope;  // gradient entry of the element's thickness variable
    double i1;               // trace of C
    double trace_c2;         // trace of C^2
    double i3;               // det C
    double w1;               // dW/d i1
    double w2;               // dW/d trace_c2
    double w3;               // dW/d i3
};

// Element e at the unknowns x: fills forces with the element's internal nodal forces.
element_result element2(const model& m, std::int32_t e, const terms::fmat1& x,
                        sheet::element_forces& forces);

// The same from the displacements u[l][j] of its corners N1, N2, N3 and its thickness
// variable s, already gathered.
element_result element_state(const model& m, const sheet::element& r, const double (&u)[3][3],
                             double s, sheet::element_forces& forces);

}  // namespace dorvan
