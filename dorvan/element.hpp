// One compressible triangle: strain energy, nodal forces, thickness slope, strain invariants
// and material derivatives.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "arrays/terms.hpp"
#include "dorvan/model.hpp"
#include "sheet/failure.hpp"
#include "sheet/triangle.hpp"

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

namespace detail {

struct law {
    double w, w1, w2, w3;
};

// Energy density and its derivatives by i1, trace_c2 and i3.
inline law material_law(const model& m, double i1, double trace_c2, double i3) {
    const double j = std::sqrt(i3);
    const double u = std::pow(i3, 1.0 / 3.0);
    switch (m.material) {
        case 1: {  // neo-Hookean
            const double mu = m.neo_shear;
            const double kappa = m.neo_bulk;
            return {0.5 * (mu * i1 / u + kappa * (i3 - 2.0 * j)), 0.5 * mu / u, 0.0,
                    0.5 * (kappa * (1.0 - 1.0 / j) - mu * i1 / (3.0 * u * i3))};
        }
        case 2: {  // Mooney-Rivlin
            const double c10 = m.mooney_c10;
            const double c01 = m.mooney_c01;
            const double kappa = m.mooney_bulk;
            const double p = c10 * i1;
            const double q = c01 * (i1 * i1 - trace_c2) / u;
            return {(p + 0.5 * q) / u + 0.5 * kappa * (i3 - 2.0 * j), (c10 + c01 * i1 / u) / u,
                    -0.5 * c01 / (u * u), 0.5 * kappa * (1.0 - 1.0 / j) - (p + q) / (3.0 * i3 * u)};
        }
        default:
            throw sheet::failure("undefined material law " + std::to_string(m.material));
    }
}

}  // namespace detail

inline element_result element_state(const model& m, const sheet::element& r,
                                    const double (&u)[3][3], double s,
                                    sheet::element_forces& forces) {
    const double a2 = r.area2;
    const double t0 = m.thickness;
    const sheet::current_shape c = sheet::shape_of(r, u);
    const double jp = c.length / a2;   // in-plane area ratio
    const double c33 = s * s * s * s;  // lambda3^2 with lambda3 = s^2

    element_result out{};
    out.i1 = c.trace_c + c33;
    out.trace_c2 = c.trace_c2 + c33 * c33;
    out.i3 = c33 * (jp * jp);
    const detail::law w = detail::material_law(m, out.i1, out.trace_c2, out.i3);
    out.w1 = w.w1;
    out.w2 = w.w2;
    out.w3 = w.w3;
    out.strain_energy = w.w * a2 * t0 * 0.5;

    // Nodal forces: the i1, trace_c2 and i3 terms in that order, t0 last; N3 by translation.
    const double by_i1 = w.w1 / a2;
    const double by_c2 = 2.0 * w.w2 / c.a2_3;
    const double by_i3 = c33 * w.w3 * jp;
    for (int k = 0; k < 3; ++k) {
        const double row1 =
            by_i1 * c.p[k] + by_c2 * (c.pp * c.b[k] - c.pq * c.a[k]) + by_i3 * c.unit_a[k];
        const double row2 =
            by_i1 * c.q[k] + by_c2 * (c.pq * c.b[k] - c.qq * c.a[k]) + by_i3 * c.unit_b[k];
        forces.row[0][k] = t0 * row1;
        forces.row[1][k] = t0 * row2;
        forces.row[2][k] = -(forces.row[0][k] + forces.row[1][k]);
    }
    // dW/dC33 scaled by A2 s^2: zero exactly at plane stress.
    out.thickness_slope = a2 * (s * s) * (w.w1 + 2.0 * w.w2 * c33 + w.w3 * (jp * jp));
    return out;
}

}  // namespace dorvan
