// One incompressible triangle: its thickness follows from its change of area. The formulas are
// templates over the number type T (a real, or a vector of reals with one element per lane) and
// over the material law.
#pragma once

#include <cstdint>
#include <type_traits>
#include <variant>

#include "arrays/terms.hpp"
#include "melvar/law.hpp"
#include "melvar/model.hpp"
#include "sheet/mechanics/triangle.hpp"

namespace melvar {

template <class T>
struct element_result_of {
    T strain_energy;  // W A2 t0 / 2
    T stretch3;       // lambda3 = A2 / |a x b|; the current thickness is t0 lambda3
    T i1;             // trace of C
    T trace_c2;       // trace of C^2
    T w1;             // dW/d i1
    T w2;             // dW/d trace_c2
};
using element_result = element_result_of<double>;

// Element e of m at the unknowns x: fills forces with its internal nodal forces, and shape with
// its current shape when given.
element_result element_at(const model& m, std::int32_t e, const terms::real_vector& x,
                          sheet::element_forces& forces,
                          sheet::current_shape<double>* shape = nullptr);

namespace detail {

template <class T>
struct law_terms {
    T w, w1, w2;
};

// Energy density and its derivatives by i1 and trace_c2 under each law. The Arruda-Boyce series
// runs by Horner's scheme from its highest coefficient.
template <class T>
law_terms<T> material_law(const neo_hookean& law, T i1, T trace_c2) {
    (void)trace_c2;
    const double mu = law.shear;
    return {0.5 * mu * i1, 0.5 * mu, 0.0};
}

template <class T>
law_terms<T> material_law(const mooney_rivlin& law, T i1, T trace_c2) {
    const double c10 = law.c10;
    const double c01 = law.c01;
    return {c10 * i1 + 0.5 * c01 * (i1 * i1 - trace_c2), c10 + c01 * i1, -0.5 * c01};
}

template <class T>
law_terms<T> material_law(const arruda_boyce& law, T i1, T trace_c2) {
    (void)trace_c2;
    const double mu = law.shear;
    const double c1 = law.coefficient[0], c2 = law.coefficient[1], c3 = law.coefficient[2],
                 c4 = law.coefficient[3], c5 = law.coefficient[4];
    const T w = mu * (((((c5 * i1 + c4) * i1 + c3) * i1 + c2) * i1 + c1) * i1);
    const T w1 = mu * ((((5.0 * c5 * i1 + 4.0 * c4) * i1 + 3.0 * c3) * i1 + 2.0 * c2) * i1 + c1);
    return {w, w1, 0.0};
}

// Whether the law has a trace_c2 term: the others' force rows need not carry it.
template <class Law>
constexpr bool uses_trace_c2 = std::is_same_v<Law, mooney_rivlin>;

// Under a law without trace_c2 (w2 = 0) the trace_c2 term of a force row adds 0 B to the row,
// which leaves it as it is unless the row is -0 or B is not finite. Whether in every lane
// neither can happen, for the rows row1 and row2 of the shape c of r with stretch l3. B is
// finite when the current edges, the initial metric and lambda3 are at most 2^100 and A2^3 is
// at least 2^-300: the unit normal's components are then below 2, p and q below 2^202, pp, pq
// and qq below 2^405, B's quotient below 2^806 and its lambda3^5 term below 2^603. (A current
// area of 0 makes lambda3 infinite.)
template <class Record, class T>
bool trace_c2_terms_change_nothing(const Record& r, const sheet::current_shape<T>& c, T l3,
                                   const T (&row1)[3], const T (&row2)[3]) {
    return all_magnitudes_at_most(0x1p100, c.a[0], c.a[1], c.a[2], c.b[0], c.b[1], c.b[2], r.a_a,
                                  r.a_b, r.b_b, l3) &&
           all_at_least(0x1p-300, c.a2_3) &&
           !any_negative_zero(row1[0], row1[1], row1[2], row2[0], row2[1], row2[2]);
}

}  // namespace detail

// The element of initial geometry r (sheet::element_geometry, or its fields in T) and initial
// thickness t0, displaced by u[l][j] at its corners, under law. The current shape goes to shape
// when given.
template <class Law, class Record, class T>
element_result_of<T> element_state(const Law& law, double t0, const Record& r, const T (&u)[3][3],
                                   sheet::nodal_forces<T>& forces,
                                   sheet::current_shape<T>* shape = nullptr) {
    const T a2 = r.area2;
    const sheet::current_shape<T> c = sheet::shape_of(r, u);
    if (shape != nullptr) *shape = c;
    // Out-of-plane stretch from the change of area, and its powers.
    const T l3 = a2 / c.length;
    const T l3_2 = l3 * l3;
    const T l3_3 = l3 * l3 * l3;
    const T l3_4 = l3 * l3_3;
    const T l3_5 = l3_4 * l3;

    element_result_of<T> out{};
    out.stretch3 = l3;
    out.i1 = c.trace_c + l3_2;
    out.trace_c2 = c.trace_c2 + l3_4;
    const detail::law_terms<T> w = detail::material_law(law, out.i1, out.trace_c2);
    out.w1 = w.w1;
    out.w2 = w.w2;
    out.strain_energy = w.w * a2 * t0 * 0.5;

    // Nodal forces: each row's i1 term, then its trace_c2 term (each with its lambda3 part); N3
    // by translation. Over lanes, a law without trace_c2 leaves out the terms where they
    // provably add nothing: most of the divisions go with them.
    T row1[3], row2[3];
    for (int k = 0; k < 3; ++k) {
        row1[k] = w.w1 * (c.p[k] / a2 - l3_3 * c.unit_a[k]);
        row2[k] = w.w1 * (c.q[k] / a2 - l3_3 * c.unit_b[k]);
    }
    bool trace_c2_terms = true;
    if constexpr (!detail::uses_trace_c2<Law> && !std::is_same_v<T, double>)
        trace_c2_terms = !detail::trace_c2_terms_change_nothing(r, c, l3, row1, row2);
    if (trace_c2_terms) {
        for (int k = 0; k < 3; ++k) {
            row1[k] = row1[k] +
                      2.0 * w.w2 * ((c.pp * c.b[k] - c.pq * c.a[k]) / c.a2_3 - l3_5 * c.unit_a[k]);
            row2[k] = row2[k] +
                      2.0 * w.w2 * ((c.pq * c.b[k] - c.qq * c.a[k]) / c.a2_3 - l3_5 * c.unit_b[k]);
        }
    }
    for (int k = 0; k < 3; ++k) {
        forces.row[0][k] = t0 * row1[k];
        forces.row[1][k] = t0 * row2[k];
        forces.row[2][k] = -(forces.row[0][k] + forces.row[1][k]);
    }
    return out;
}

// One element under the model's law.
inline element_result element_state(const model& m, const sheet::element_geometry& r,
                                    const double (&u)[3][3], sheet::element_forces& forces,
                                    sheet::current_shape<double>* shape = nullptr) {
    return std::visit(
        [&](const auto& law) {
            return element_state(law, m.problem.thickness, r, u, forces, shape);
        },
        m.law);
}

}  // namespace melvar
