// melvar's kinematics: an incompressible triangle, whose thickness follows from its change of
// area; its unknowns are its corners' displacements only. The formulas are templates over the
// number type T (a real, a vector of reals with one element per lane, or a dual number) and over
// the material law.
#pragma once

#include <cmath>
#include <cstddef>
#include <span>
#include <type_traits>

#include "melvar/laws.hpp"
#include "sheet/assembly/block_io.hpp"
#include "sheet/mechanics/principal.hpp"
#include "sheet/mechanics/tension_field.hpp"
#include "sheet/mechanics/trace_c2_terms.hpp"
#include "sheet/mechanics/triangle.hpp"
#include "sheet/model/model.hpp"
#include "sheet/run/command_line.hpp"

namespace melvar {

using model = sheet::membrane_model<law>;

template <class T>
struct element_result_of {
    T strain_energy;  // W A2 t0 / 2
    T stretch3;       // lambda3 = A2 / |a x b|; the current thickness is t0 lambda3
    T i1;             // trace of C
    T trace_c2;       // trace of C^2
    T w1;             // dW/d i1
    T w2;             // dW/d trace_c2
    // Under a relaxed law: the element's state, and where it is wrinkled or slack the fields
    // above (but the energy) are the material's, at its natural width or at rest.
    sheet::tension_info tension;
};
using element_result = element_result_of<double>;

// The element of initial geometry r (sheet::element_geometry, or its fields in T) and initial
// thickness t0 in its current shape c, under law.
template <class Law, class Record, class T>
element_result_of<T> element_in_shape(const Law& law, double t0, const Record& r,
                                      const sheet::current_shape<T>& c,
                                      sheet::nodal_forces<T>& forces) {
    const T a2 = r.area2;
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
    const density_terms<T> w = law.density(out.i1, out.trace_c2);
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
    if constexpr (!Law::uses_trace_c2 && !std::is_same_v<T, double>)
        trace_c2_terms = !sheet::trace_c2_terms_change_nothing(r, c, l3, row1, row2);
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

// The same displaced by u[l][j] at its corners; the current shape goes to shape when given.
template <class Law, class Record, class T>
element_result_of<T> element_state(const Law& law, double t0, const Record& r, const T (&u)[3][3],
                                   sheet::nodal_forces<T>& forces,
                                   sheet::current_shape<T>* shape = nullptr) {
    const sheet::current_shape<T> c = sheet::shape_of(r, u);
    if (shape != nullptr) *shape = c;
    return element_in_shape(law, t0, r, c, forces);
}

// The density of law by the principal stretches, W(lambda1^2 = a, lambda2^2 = b), lambda3^2 =
// 1 / (a b), which the relaxed energy relaxes.
template <class Law>
struct stretch_density {
    const Law& law;
    template <class T>
    T operator()(const T& a, const T& b, const T&) const {
        const T l3_2 = 1.0 / (a * b);
        return law.density(a + b + l3_2, a * a + b * b + l3_2 * l3_2).w;
    }
};

// The element under a relaxed law: the law's own element where it is taut; where it is wrinkled
// or slack, the relaxed density by trace C and det C of its plane
// (sheet/mechanics/tension_field.hpp) and its forces by those invariants. Its stretch3 is the
// material's, 1 / (lambda1 lambda2bar) where it is wrinkled and 1 where it is slack.
template <class Law, class Record, class T>
element_result_of<T> element_state(const sheet::relaxed<Law>& law, double t0, const Record& r,
                                   const T (&u)[3][3], sheet::nodal_forces<T>& forces,
                                   sheet::current_shape<T>* shape = nullptr) {
    const Law& plain = law;
    const sheet::current_shape<T> c = sheet::shape_of(r, u);
    if (shape != nullptr) *shape = c;
    const T a2 = r.area2;
    const sheet::plane_stretch<T> plane = sheet::plane_stretch_of(a2, c);
    const T jp = plane.jp;
    const T det = plane.det;
    const sheet::relaxed_density d = sheet::relax<2>(
        stretch_density<Law>{plain}, sheet::value_of(c.trace_c), sheet::value_of(det), 0.0);
    if (d.state == sheet::tension_state::taut) return element_in_shape(plain, t0, r, c, forces);
    const sheet::relaxed_terms<T> w = sheet::relaxed_terms_of(d, c.trace_c, det, T(0.0));
    element_result_of<T> out{};
    out.strain_energy = w.w * a2 * t0 * 0.5;
    sheet::forces_by_invariants(t0, a2, c, jp, w.by_trace, w.by_det, forces);

    const sheet::material_state material = sheet::material_of(d);
    const double l3_2 = 1.0 / (material.major * material.minor);
    const double i1 = material.major + material.minor + l3_2;
    const double trace_c2 =
        material.major * material.major + material.minor * material.minor + l3_2 * l3_2;
    const density_terms<double> m = plain.density(i1, trace_c2);
    out.stretch3 = std::sqrt(l3_2);
    out.i1 = i1;
    out.trace_c2 = trace_c2;
    out.w1 = m.w1;
    out.w2 = m.w2;
    out.tension = material.tension;
    // sigma1 = 2 lambda1^2 dW/d lambda1^2 of the material in uniaxial tension
    if (d.state == sheet::tension_state::wrinkled)
        out.tension.sigma1 = 2.0 * d.major * d.major_slope;
    return out;
}

// Whether the element whose plane has trace C = tr and det C = det is taut under the relaxed law
// by the relaxation's first test (sheet::taut_at_once): element_state is then the law's own.
template <class Law>
bool element_taut_at_once(const sheet::relaxed<Law>& law, double tr, double det) {
    const Law& plain = law;
    return sheet::taut_at_once(stretch_density<Law>{plain}, tr, det, 0.0);
}

// The in-plane principal stresses of an incompressible element, whose pressure makes the
// through-thickness stress zero: with l = stretch3, a = i1, b = trace_c2, u = w1, v = w2, q is
// the pressure, t half the sum of the two principal stresses, the radicand (half their
// difference)^2 and p their product.
inline sheet::principal_stresses stresses_of(const element_result& r) {
    // a relaxed law's wrinkled element carries uniaxial tension, its slack one none
    if (r.tension.state == sheet::tension_state::wrinkled) return {r.tension.sigma1, 0.0};
    if (r.tension.state == sheet::tension_state::slack) return {0.0, 0.0};
    const double l = r.stretch3, a = r.i1, b = r.trace_c2, u = r.w1, v = r.w2;
    const double q = (2.0 * v * (l * l) + u) * (2.0 * (l * l));
    const double s = 2.0 * v * b + u * a;
    const double t = s - 1.5 * q;
    const double b2a = 2.0 * b - a * a;
    const double radicand =
        (b2a * a + 8.0) * (4.0 * (v * v)) * a +
        ((b2a * a + 6.0) * (4.0 * u * v) + ((u * u) * b2a + (s - 0.75 * q) * q));
    const double a2b = a * a - b;
    const double p =
        (a2b * a2b - 8.0 * a) * (4.0 * (v * v)) +
        ((a2b * a - 6.0) * (4.0 * u * v) + ((3.0 * q - 4.0 * s) * q + 2.0 * (u * u) * a2b));
    return sheet::principal(t, radicand, p);
}

// What the membrane program asks of melvar beyond element_state and stresses_of
// (sheet/membrane/kinematics.hpp).
struct kinematics {
    using laws = law;

    static constexpr sheet::program_text text{
        "melvar",
        "Large-deformation static equilibrium of a thin incompressible hyperelastic sheet (3-node\n"
        "membrane triangles in 3-D space; neo-Hookean, Mooney-Rivlin or Arruda-Boyce, the "
        "thickness\n"
        "following from the change of area), found by minimising its total potential energy with\n"
        "limited-memory BFGS or Newton's method."};
    static constexpr bool thickness_column = false;
    static constexpr int internal_unknowns = 0;

    static double thickness_stretch(const element_result& r, const double*) { return r.stretch3; }

    // Newton's element Hessian by invariants (sheet/membrane/invariant_hessian.hpp): the law's
    // density by tr = trace C and det = det C of the element's plane, lambda3^2 = 1 / det (there
    // is no third variable), and the relaxed density the relaxed element takes.
    template <class Law, class T>
    static T plane_density(const Law& law, const T& tr, const T& det, const T&) {
        const T l3_2 = 1.0 / det;
        return law.density(tr + l3_2, tr * tr - 2.0 * det + l3_2 * l3_2).w;
    }
    template <class Law>
    static sheet::relaxed_density relaxed_plane_density(const Law& law, double tr, double det,
                                                        double) {
        return sheet::relax<2>(stretch_density<Law>{law}, tr, det, 0.0);
    }
};

// The kernels, compiled in melvar/program.cpp (sheet/membrane/kernels-inl.hpp).
void evaluate_elements(const model& m, std::span<const double> xs, const double* prescribed,
                       std::size_t begin, std::size_t end, const sheet::block_io& io,
                       double* slopes);
void element_hessian(const model& m, const sheet::element_columns& table, std::size_t at,
                     std::span<const double> xs, const double* prescribed, double* packed);
void element_hessian_by_duals(const model& m, const sheet::element_columns& table, std::size_t at,
                              std::span<const double> xs, const double* prescribed, double* packed);

}  // namespace melvar
