// One compressible triangle: strain energy, nodal forces, thickness slope, strain invariants
// and material derivatives. The formulas are templates over the number type T (a real, or a
// vector of reals with one element per lane) and over the material law.
#pragma once

#include <cstdint>
#include <variant>

#include "arrays/terms.hpp"
#include "dorvan/law.hpp"
#include "dorvan/model.hpp"
#include "sheet/mechanics/number.hpp"
#include "sheet/mechanics/triangle.hpp"

namespace dorvan {

template <class T>
struct element_result_of {
    T strain_energy;    // W A2 t0 / 2
    T thickness_slope;  // gradient entry of the element's thickness variable
    T i1;               // trace of C
    T trace_c2;         // trace of C^2
    T i3;               // det C
    T w1;               // dW/d i1
    T w2;               // dW/d trace_c2
    T w3;               // dW/d i3
};
using element_result = element_result_of<double>;

// Element e of m at the unknowns x: fills forces with the element's internal nodal forces, and
// shape with its current shape when given.
element_result element_at(const model& m, std::int32_t e, const terms::real_vector& x,
                          sheet::element_forces& forces,
                          sheet::current_shape<double>* shape = nullptr);

namespace detail {

using sheet::power;
using sheet::root;

template <class T>
struct law_terms {
    T w, w1, w2, w3;
};

// Energy density and its derivatives by i1, trace_c2 and i3 under each law.
template <class T>
law_terms<T> material_law(const neo_hookean& law, T i1, T trace_c2, T i3) {
    (void)trace_c2;
    const T j = root(i3);
    const T u = power(i3, 1.0 / 3.0);
    const double mu = law.shear;
    const double kappa = law.bulk;
    return {0.5 * (mu * i1 / u + kappa * (i3 - 2.0 * j)), 0.5 * mu / u, 0.0,
            0.5 * (kappa * (1.0 - 1.0 / j) - mu * i1 / (3.0 * u * i3))};
}

template <class T>
law_terms<T> material_law(const mooney_rivlin& law, T i1, T trace_c2, T i3) {
    const T j = root(i3);
    const T u = power(i3, 1.0 / 3.0);
    const double c10 = law.c10;
    const double c01 = law.c01;
    const double kappa = law.bulk;
    const T p = c10 * i1;
    const T q = c01 * (i1 * i1 - trace_c2) / u;
    return {(p + 0.5 * q) / u + 0.5 * kappa * (i3 - 2.0 * j), (c10 + c01 * i1 / u) / u,
            -0.5 * c01 / (u * u), 0.5 * kappa * (1.0 - 1.0 / j) - (p + q) / (3.0 * i3 * u)};
}

}  // namespace detail

// The element of initial geometry r (sheet::element_geometry, or its fields in T) and initial
// thickness t0, displaced by u[l][j] at its corners, with thickness variable s, under law. The
// current shape goes to shape when given.
template <class Law, class Record, class T>
element_result_of<T> element_state(const Law& law, double t0, const Record& r, const T (&u)[3][3],
                                   T s, sheet::nodal_forces<T>& forces,
                                   sheet::current_shape<T>* shape = nullptr) {
    const T a2 = r.area2;
    const sheet::current_shape<T> c = sheet::shape_of(r, u);
    if (shape != nullptr) *shape = c;
    const T jp = c.length / a2;   // in-plane area ratio
    const T c33 = s * s * s * s;  // lambda3^2 with lambda3 = s^2

    element_result_of<T> out{};
    out.i1 = c.trace_c + c33;
    out.trace_c2 = c.trace_c2 + c33 * c33;
    out.i3 = c33 * (jp * jp);
    const detail::law_terms<T> w = detail::material_law(law, out.i1, out.trace_c2, out.i3);
    out.w1 = w.w1;
    out.w2 = w.w2;
    out.w3 = w.w3;
    out.strain_energy = w.w * a2 * t0 * 0.5;

    // Nodal forces: the i1, trace_c2 and i3 terms in that order, t0 last; N3 by translation.
    const T by_i1 = w.w1 / a2;
    const T by_c2 = 2.0 * w.w2 / c.a2_3;
    const T by_i3 = c33 * w.w3 * jp;
    for (int k = 0; k < 3; ++k) {
        const T row1 =
            by_i1 * c.p[k] + by_c2 * (c.pp * c.b[k] - c.pq * c.a[k]) + by_i3 * c.unit_a[k];
        const T row2 =
            by_i1 * c.q[k] + by_c2 * (c.pq * c.b[k] - c.qq * c.a[k]) + by_i3 * c.unit_b[k];
        forces.row[0][k] = t0 * row1;
        forces.row[1][k] = t0 * row2;
        forces.row[2][k] = -(forces.row[0][k] + forces.row[1][k]);
    }
    // dW/dC33 scaled by A2 s^2: zero exactly at plane stress.
    out.thickness_slope = a2 * (s * s) * (w.w1 + 2.0 * w.w2 * c33 + w.w3 * (jp * jp));
    return out;
}

// One element under the model's law.
inline element_result element_state(const model& m, const sheet::element_geometry& r,
                                    const double (&u)[3][3], double s,
                                    sheet::element_forces& forces,
                                    sheet::current_shape<double>* shape = nullptr) {
    return std::visit(
        [&](const auto& law) {
            return element_state(law, m.problem.thickness, r, u, s, forces, shape);
        },
        m.law);
}

}  // namespace dorvan
