// dorvan's kinematics: a compressible triangle whose thickness is an unknown of its own. Plane
// stress is reached by the minimisation: element e carries the thickness variable s (lambda3 =
// s^2), x(free_count + e), which the minimiser drives to zero through-thickness stress. The
// formulas are templates over the number type T (a real, a vector of reals with one element per
// lane, or a dual number) and over the material law.
#pragma once

#include <cmath>
#include <cstddef>
#include <span>

#include "dorvan/laws.hpp"
#include "sheet/assembly/block_io.hpp"
#include "sheet/mechanics/principal.hpp"
#include "sheet/mechanics/tension_field.hpp"
#include "sheet/mechanics/triangle.hpp"
#include "sheet/model/model.hpp"
#include "sheet/run/command_line.hpp"

namespace dorvan {

using model = sheet::membrane_model<law>;

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
    // Under a relaxed law: the element's state, and where it is wrinkled or slack the fields
    // above (but the energy and the slope) are the material's, at its natural width or at rest.
    sheet::tension_info tension;
};
using element_result = element_result_of<double>;

// The element of initial geometry r (sheet::element_geometry, or its fields in T) and initial
// thickness t0 in its current shape c, with thickness variable s, under law.
template <class Law, class Record, class T>
element_result_of<T> element_in_shape(const Law& law, double t0, const Record& r,
                                      const sheet::current_shape<T>& c, T s,
                                      sheet::nodal_forces<T>& forces) {
    const T a2 = r.area2;
    const T jp = c.length / a2;   // in-plane area ratio
    const T c33 = s * s * s * s;  // lambda3^2 with lambda3 = s^2

    element_result_of<T> out{};
    out.i1 = c.trace_c + c33;
    out.trace_c2 = c.trace_c2 + c33 * c33;
    out.i3 = c33 * (jp * jp);
    const density_terms<T> w = law.density(out.i1, out.trace_c2, out.i3);
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

// The same displaced by u[l][j] at its corners; the current shape goes to shape when given.
template <class Law, class Record, class T>
element_result_of<T> element_state(const Law& law, double t0, const Record& r, const T (&u)[3][3],
                                   T s, sheet::nodal_forces<T>& forces,
                                   sheet::current_shape<T>* shape = nullptr) {
    const sheet::current_shape<T> c = sheet::shape_of(r, u);
    if (shape != nullptr) *shape = c;
    return element_in_shape(law, t0, r, c, s, forces);
}

// The density of law by the principal stretches, W(lambda1^2 = a, lambda2^2 = b, C33 = c33), which
// the relaxed energy relaxes.
template <class Law>
struct stretch_density {
    const Law& law;
    template <class T>
    T operator()(const T& a, const T& b, const T& c33) const {
        return law.density(a + b + c33, a * a + b * b + c33 * c33, c33 * (a * b)).w;
    }
};

// The element under a relaxed law: the law's own element where it is taut; where it is wrinkled
// or slack, the relaxed density by trace C and det C of its plane and by C33
// (sheet/mechanics/tension_field.hpp), its forces by those invariants and its thickness slope
// A2 s^2 dW/dC33, as the law's. In a slack element the density depends on C33 alone, least at
// the natural state: the thickness variable keeps a stiffness of its own, and returns to 1.
template <class Law, class Record, class T>
element_result_of<T> element_state(const sheet::relaxed<Law>& law, double t0, const Record& r,
                                   const T (&u)[3][3], T s, sheet::nodal_forces<T>& forces,
                                   sheet::current_shape<T>* shape = nullptr) {
    const Law& plain = law;
    const sheet::current_shape<T> c = sheet::shape_of(r, u);
    if (shape != nullptr) *shape = c;
    const T a2 = r.area2;
    const sheet::plane_stretch<T> plane = sheet::plane_stretch_of(a2, c);
    const T jp = plane.jp;
    const T det = plane.det;
    const T c33 = s * s * s * s;
    const sheet::relaxed_density d =
        sheet::relax<3>(stretch_density<Law>{plain}, sheet::value_of(c.trace_c),
                        sheet::value_of(det), sheet::value_of(c33));
    if (d.state == sheet::tension_state::taut) return element_in_shape(plain, t0, r, c, s, forces);
    const sheet::relaxed_terms<T> w = sheet::relaxed_terms_of(d, c.trace_c, det, c33);
    element_result_of<T> out{};
    out.strain_energy = w.w * a2 * t0 * 0.5;
    sheet::forces_by_invariants(t0, a2, c, jp, w.by_trace, w.by_det, forces);
    out.thickness_slope = a2 * (s * s) * w.by_c;

    const sheet::material_state material = sheet::material_of(d);
    const double k = sheet::value_of(c33);
    const double i1 = material.major + material.minor + k;
    const double trace_c2 =
        material.major * material.major + material.minor * material.minor + k * k;
    const double i3 = k * (material.major * material.minor);
    const density_terms<double> m = plain.density(i1, trace_c2, i3);
    out.i1 = i1;
    out.trace_c2 = trace_c2;
    out.i3 = i3;
    out.w1 = m.w1;
    out.w2 = m.w2;
    out.w3 = m.w3;
    out.tension = material.tension;
    // sigma1 = 2 lambda1^2 dW/d lambda1^2 / J of the material in uniaxial tension
    if (d.state == sheet::tension_state::wrinkled)
        out.tension.sigma1 = 2.0 * d.major * d.major_slope / std::sqrt(i3);
    return out;
}

// Whether the element whose plane has trace C = tr and det C = det, with thickness variable s, is
// taut under the relaxed law by the relaxation's first test (sheet::taut_at_once): element_state
// is then the law's own.
template <class Law>
bool element_taut_at_once(const sheet::relaxed<Law>& law, double tr, double det, double s) {
    const Law& plain = law;
    const double c33 = s * s * s * s;
    return sheet::taut_at_once(stretch_density<Law>{plain}, tr, det, c33);
}

// The in-plane principal stresses of the element: with a = i1, b = trace_c2, c = i3, u = w1,
// v = w2, w = w3, t is half their sum, the radicand (half their difference)^2 and p their
// product.
inline sheet::principal_stresses stresses_of(const element_result& r) {
    // a relaxed law's wrinkled element carries uniaxial tension, its slack one none
    if (r.tension.state == sheet::tension_state::wrinkled) return {r.tension.sigma1, 0.0};
    if (r.tension.state == sheet::tension_state::slack) return {0.0, 0.0};
    const double a = r.i1, b = r.trace_c2, c = r.i3, u = r.w1, v = r.w2, w = r.w3;
    const double t = (3.0 * w * c + (u * a + 2.0 * v * b)) / std::sqrt(c);
    const double b2a = 2.0 * b - a * a;
    const double radicand = (6.0 * c + b2a * a) * (4.0 * u * v / c) + (u * u / c) * b2a -
                            2.0 * u * w * a + (b2a * a + 8.0 * c) * (4.0 * (v * v) / c) * a -
                            4.0 * v * w * b - 3.0 * (w * w) * c;
    const double a2b = a * a - b;
    const double p =
        (a2b * a2b - 8.0 * a * c) * (4.0 * (v * v) / c) +
        ((a * a2b - 6.0 * c) * (4.0 * u * v / c) + (2.0 * (u * u) / c) * a2b + 8.0 * u * w * a) +
        16.0 * v * w * b + 12.0 * (w * w) * c;
    return sheet::principal(t, radicand, p);
}

// What the membrane program asks of dorvan beyond element_state and stresses_of
// (sheet/membrane/kinematics.hpp).
struct kinematics {
    using laws = law;

    static constexpr sheet::program_text text{
        "dorvan",
        "Large-deformation static equilibrium of a thin compressible hyperelastic sheet (3-node\n"
        "membrane triangles in 3-D space; neo-Hookean or Mooney-Rivlin with a bulk modulus and "
        "one\n"
        "thickness unknown per element), found by minimising its total potential energy with\n"
        "limited-memory BFGS or Newton's method."};
    static constexpr bool thickness_column = true;  // the report's element table shows it
    static constexpr int internal_unknowns = 1;     // the thickness variable s, from 1.0

    // The objective's gradient entry of s is the slope of plane stress, scaled; Newton's Hessian
    // differentiates the true derivative dE/ds = A2 t0 / 2 dW/dC33 4 s^3 = 2 t0 s slope.
    template <class T>
    static T internal_slope(const element_result_of<T>& r) {
        return r.thickness_slope;
    }
    template <class T>
    static T energy_slope(T slope, T s, double t0) {
        return 2.0 * t0 * s * slope;
    }
    // lambda3 = s^2: the current thickness is t0 s^2.
    static double thickness_stretch(const element_result&, const double* s) { return s[0] * s[0]; }

    // Newton's element Hessian by invariants (sheet/membrane/invariant_hessian.hpp): the law's
    // density by tr = trace C and det = det C of the element's plane and by C33, the relaxed
    // density the relaxed element takes, and C33 = s^4 by the thickness variable, as the element
    // forms it.
    template <class Law, class T>
    static T plane_density(const Law& law, const T& tr, const T& det, const T& c33) {
        return law.density(tr + c33, tr * tr - 2.0 * det + c33 * c33, c33 * det).w;
    }
    template <class Law>
    static sheet::relaxed_density relaxed_plane_density(const Law& law, double tr, double det,
                                                        double c33) {
        return sheet::relax<3>(stretch_density<Law>{law}, tr, det, c33);
    }
    template <class T>
    static T own_variable(const T& s) {
        return s * s * s * s;
    }
};

// The kernels, compiled in dorvan/program.cpp (sheet/membrane/kernels-inl.hpp).
void evaluate_elements(const model& m, std::span<const double> xs, const double* prescribed,
                       std::size_t begin, std::size_t end, const sheet::block_io& io,
                       double* slopes);
void element_hessian(const model& m, const sheet::element_columns& table, std::size_t at,
                     std::span<const double> xs, const double* prescribed, double* packed);
void element_hessian_by_duals(const model& m, const sheet::element_columns& table, std::size_t at,
                              std::span<const double> xs, const double* prescribed, double* packed);

}  // namespace dorvan
