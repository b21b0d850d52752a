// The relaxed energy of tension-field theory (Pipkin 1986; Steigmann 1990): a membrane has no
// bending stiffness and wrinkles where it would be compressed, so its energy density is the
// law's where both principal membrane stresses are tensile (taut), the law's in uniaxial tension
// along the larger stretch where the smaller stretch lies below the width that tension leaves
// free (wrinkled), and the law's at rest where no direction is stretched beyond its natural
// length (slack). It is generic over the law: a program gives its density W(l1^2, l2^2, c) by
// the squared principal stretches of the in-plane deformation and its third variable c (dorvan's
// C33, which the thickness unknown sets; melvar has none), and the relaxation takes every
// derivative it needs of that density by second-order forward differentiation (jet.hpp). The
// natural width and the natural state come from Newton's method on reals; their derivatives
// come from differentiating the equations they solve. The relaxed energy is C1: its slopes meet
// across the states' boundaries, its curvatures jump there.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "sheet/mechanics/dual.hpp"
#include "sheet/mechanics/jet.hpp"
#include "sheet/mechanics/triangle.hpp"
#include "sheet/model/model.hpp"

namespace sheet {

// An element's state under the relaxed energy; the numbers are the .vtu's.
enum class tension_state : std::uint8_t { taut = 0, wrinkled = 1, slack = 2 };

// What the report and the .vtu show of an element's relaxed state.
struct tension_info {
    tension_state state = tension_state::taut;
    double sigma1 = 0.0;      // wrinkled: the Cauchy stress of uniaxial tension along lambda1
    double lost_width = 0.0;  // the natural width less lambda2 (wrinkled and slack), else 0
};

// The relaxed density of one element at the in-plane invariants tr = trace C and det = det C
// (of the in-plane C) and c, where it is not taut.
struct relaxed_density {
    tension_state state = tension_state::taut;
    double major = 0.0;  // lambda1^2, the larger eigenvalue of the in-plane C
    double minor = 0.0;  // lambda2^2
    // Wrinkled: the natural width squared, the lambda2^2 of the material in uniaxial tension;
    // slack: the lambda^2 of both in-plane directions at rest.
    double natural = 0.0;
    double major_slope = 0.0;  // wrinkled: dW/d lambda1^2 of the material, which stresses it
    double w = 0.0;            // the relaxed density
    double slope[3] = {};      // its derivatives by tr, det and c
    double curvature[3][3] = {};
};

namespace detail {

// The root of f beyond which f > 0, from guess (above 0): f(x, df) gives f(x) and f'(x) into
// df. Newton's steps from guess, each held within a factor of 2 of the point it leaves until the
// root is bracketed, and within the bracket after, bisecting where a step would leave it. The
// guesses the callers make are the root itself or near it, so most solves end after one or two
// values of f. NaN when f gives no number or no root within reach.
template <class Slope>
double rising_root(Slope&& f, double guess) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    double lo = 0.0, hi = 0.0, x = guess, df = 0.0;
    if (!(x > 0.0) || std::isinf(x)) return nan;
    for (int k = 0; k < 1300; ++k) {
        const double fx = f(x, df);
        if (fx == 0.0) return x;
        if (fx < 0.0)
            lo = x;
        else if (fx > 0.0)
            hi = x;
        else
            return nan;
        double next = x - fx / df;
        if (lo > 0.0 && hi > 0.0) {
            if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
        } else if (fx < 0.0) {
            next = next > x ? std::min(next, 2.0 * x) : 2.0 * x;
        } else {
            next = next < x ? std::max(next, 0.5 * x) : 0.5 * x;
        }
        if (!(next > 0.0) || std::isinf(next)) return nan;
        if (next == x || std::fabs(next - x) <= 0x1p-51 * x) return next;
        x = next;
    }
    return lo > 0.0 && hi > 0.0 ? x : nan;
}

// lambda1^2 >= lambda2^2 of the in-plane C of trace tr and determinant det, lambda2^2 = det /
// lambda1^2 clear of cancellation, and half their difference.
struct principal_squares {
    double major = 0.0, minor = 0.0, half_gap = 0.0;
};
inline principal_squares principal_squares_of(double tr, double det) {
    const double half = 0.5 * tr;
    const double root_of = std::sqrt(std::max(half * half - det, 0.0));
    const double a = half + root_of;
    return {a, det / a, root_of};
}

// dW/db of energy(a, b, c) by b, with a and c given: along(b, curvature) gives it, and its
// second derivative into curvature.
template <class Energy>
auto along_minor_of(const Energy& energy, double a, double c) {
    return [&energy, a, c](double b, double& curvature) {
        const jet<1> w = energy(jet<1>(a), jet<1>::seed(b, 0), jet<1>(c));
        curvature = w.h[0][0];
        return w.g[0];
    };
}

// Whether the state s is taut by relax's first test, before any solve; along is
// along_minor_of(energy, s.major, c).
template <class Along>
bool taut_at_once(const principal_squares& s, double c, const Along& along) {
    if (!(s.minor > 0.0) || !std::isfinite(s.major) || !std::isfinite(c)) return true;
    double unused = 0.0;
    return !(along(s.minor, unused) < 0.0);
}

}  // namespace detail

// The relaxed density at (tr, det, c) of the density energy(a, b, c), a template over the number
// type giving W at lambda1^2 = a, lambda2^2 = b (and c, when Variables is 3). Taut (the state
// the caller then evaluates by the law's own formulas) when the second principal stress, whose
// sign is that of dW/db, is not below 0, and also when lambda2^2 is not above 0 or a value is
// no number, where the law's formulas give what they give. Otherwise the natural width bbar
// solves dW/db (a, bbar, c) = 0 above b; wrinkled when dW/da (a, bbar, c) > 0, with W_rel =
// W(a, bbar, c); slack else, with W_rel = W(x, x, c) at the natural state dW(x, x, c)/dx = 0.
// The partial minima's derivatives: dW_rel/da = W_a and dW_rel/dc = W_c (W_b = 0), their own
// derivatives by the Schur complement of W_bb (of W_xx when slack).
template <int Variables, class Energy>
relaxed_density relax(const Energy& energy, double tr, double det, double c) {
    static_assert(Variables == 2 || Variables == 3);
    constexpr int K = Variables;
    relaxed_density out;
    const detail::principal_squares squares = detail::principal_squares_of(tr, det);
    const double a = squares.major, root_of = squares.half_gap;
    out.major = a;
    out.minor = squares.minor;
    const auto along_minor = detail::along_minor_of(energy, a, c);
    if (detail::taut_at_once(squares, c, along_minor)) return out;

    const double nan = std::numeric_limits<double>::quiet_NaN();
    // an incompressible law's natural width, bbar = a^(-1/2), as the first guess
    const double bbar = detail::rising_root(along_minor, std::max(1.0 / std::sqrt(a), out.minor));
    if (!(bbar > 0.0)) {
        out.state = tension_state::wrinkled;
        out.w = nan;
        for (double& s : out.slope) s = nan;
        return out;
    }
    // W and its derivatives by (a, b[, c]) at the material's state
    const jet<K> la = jet<K>::seed(a, 0), lb = jet<K>::seed(bbar, 1);
    const jet<K> lc = K == 3 ? jet<K>::seed(c, K - 1) : jet<K>(c);
    const jet<K> w = energy(la, lb, lc);
    if (w.g[0] > 0.0) {
        // Next to the natural state with both stretches alike, where lambda1^2 has no
        // derivatives, the law's own formulas serve: both densities part there by the square of
        // the stretches' difference only.
        if (root_of <= 1e-6 * a) return out;
        out.state = tension_state::wrinkled;
        out.natural = bbar;
        out.major_slope = w.g[0];
        out.w = w.v;
        // dW_rel by (a, c) and its second derivatives, b = bbar(a, c) eliminated
        const double w_bb = w.h[1][1];
        const double w_aa = w.h[0][0] - w.h[0][1] * w.h[0][1] / w_bb;
        double w_c = 0.0, w_ac = 0.0, w_cc = 0.0;
        if constexpr (K == 3) {
            w_c = w.g[2];
            w_ac = w.h[0][2] - w.h[0][1] * w.h[1][2] / w_bb;
            w_cc = w.h[2][2] - w.h[1][2] * w.h[1][2] / w_bb;
        }
        // a by (tr, det): tr / 2 + sqrt(tr^2 / 4 - det), a > b here
        const jet<2> t = jet<2>::seed(tr, 0), d = jet<2>::seed(det, 1);
        const jet<2> ha = 0.5 * t;
        const jet<2> major = ha + root(ha * ha - d);
        for (int i = 0; i < 2; ++i) {
            out.slope[i] = w.g[0] * major.g[i];
            for (int j = 0; j < 2; ++j)
                out.curvature[i][j] = w.g[0] * major.h[i][j] + w_aa * (major.g[i] * major.g[j]);
            out.curvature[i][2] = w_ac * major.g[i];
            out.curvature[2][i] = out.curvature[i][2];
        }
        out.slope[2] = w_c;
        out.curvature[2][2] = w_cc;
        return out;
    }
    // slack: W(x, x, c) at its least over x, which holds for every in-plane state here
    const auto along_both = [&](double x, double& curvature) {
        const jet<1> lx = jet<1>::seed(x, 0);
        const jet<1> v = energy(lx, lx, jet<1>(c));
        curvature = v.h[0][0];
        return v.g[0];
    };
    const double x = detail::rising_root(along_both, 1.0);
    out.state = tension_state::slack;
    out.natural = x;
    if (!(x > 0.0)) {
        out.w = nan;
        for (double& s : out.slope) s = nan;
        return out;
    }
    if constexpr (K == 3) {
        const jet<2> lx = jet<2>::seed(x, 0);
        const jet<2> v = energy(lx, lx, jet<2>::seed(c, 1));
        out.w = v.v;
        out.slope[2] = v.g[1];
        out.curvature[2][2] = v.h[1][1] - v.h[0][1] * v.h[0][1] / v.h[0][0];
    } else {
        const jet<1> lx(x);
        out.w = energy(lx, lx, jet<1>(c)).v;
    }
    return out;
}

// Whether relax(energy, tr, det, c) finds the state taut by its first test, before it solves
// for a natural width: the second principal stress not below 0, lambda2^2 not above 0 or a
// value no number. Its result is then the taut one at once; a state not taut at once may still
// come out taut (next to equal stretches), as relax says.
template <class Energy>
bool taut_at_once(const Energy& energy, double tr, double det, double c) {
    const detail::principal_squares squares = detail::principal_squares_of(tr, det);
    return detail::taut_at_once(squares, c, detail::along_minor_of(energy, squares.major, c));
}

// The in-plane area ratio Jp = |a x b| / A2 of an element of twice its initial area a2 in its
// current shape c, and det C = Jp^2 of its plane: what the relaxed energy reads of it, with
// trace C.
template <class T>
struct plane_stretch {
    T jp, det;
};
template <class T>
plane_stretch<T> plane_stretch_of(const T& a2, const current_shape<T>& c) {
    const T jp = c.length / a2;
    return {jp, jp * jp};
}

// The relaxed density and its derivatives by tr, det and c in the element's number type: a
// real, or a dual number whose partials follow from those of tr, det and c by the chain rule.
template <class T>
struct relaxed_terms {
    T w, by_trace, by_det, by_c;
};

inline relaxed_terms<double> relaxed_terms_of(const relaxed_density& d, double, double, double) {
    return {d.w, d.slope[0], d.slope[1], d.slope[2]};
}

template <int N>
relaxed_terms<dual<N>> relaxed_terms_of(const relaxed_density& d, const dual<N>& tr,
                                        const dual<N>& det, const dual<N>& c) {
    const dual<N>* x[3] = {&tr, &det, &c};
    // value, and its partials sum_j by[j] x_j'
    const auto along = [&x](double value, const double(&by)[3]) {
        dual<N> r(value);
        for (int i = 0; i < N; ++i) {
            double sum = 0.0;
            for (int j = 0; j < 3; ++j) sum = sum + by[j] * x[j]->d[i];
            r.d[i] = sum;
        }
        return r;
    };
    return {along(d.w, d.slope), along(d.slope[0], d.curvature[0]),
            along(d.slope[1], d.curvature[1]), along(d.slope[2], d.curvature[2])};
}

// The nodal forces of a density W(tr, det) per unit initial volume, by the in-plane invariants
// tr = trace C and det = det C = Jp^2, on the element of twice its initial area a2 and initial
// thickness t0 in its current shape c: row N1 = t0 (W_tr p / A2 + W_det Jp (n x a)), row N2 =
// t0 (W_tr q / A2 + W_det Jp (n x b)), row N3 by translation.
template <class T>
void forces_by_invariants(double t0, const T& a2, const current_shape<T>& c, const T& jp,
                          const T& w_tr, const T& w_det, nodal_forces<T>& forces) {
    const T by_trace = w_tr / a2;
    const T by_det = w_det * jp;
    for (int k = 0; k < 3; ++k) {
        forces.row[0][k] = t0 * (by_trace * c.p[k] + by_det * c.unit_a[k]);
        forces.row[1][k] = t0 * (by_trace * c.q[k] + by_det * c.unit_b[k]);
        forces.row[2][k] = -(forces.row[0][k] + forces.row[1][k]);
    }
}

// The material's in-plane state where d is not taut: lambda1^2 and lambda2^2 (wrinkled: lambda1^2
// and the natural width squared; slack: at rest), and its tension_info with the lost width.
struct material_state {
    double major = 0.0, minor = 0.0;
    tension_info tension;
};
inline material_state material_of(const relaxed_density& d) {
    material_state out;
    out.major = d.state == tension_state::wrinkled ? d.major : d.natural;
    out.minor = d.natural;
    out.tension.state = d.state;
    out.tension.lost_width = std::sqrt(out.minor) - std::sqrt(d.minor);
    return out;
}

// The value of a real or of a dual number.
inline double value_of(double x) {
    return x;
}
template <int N>
double value_of(const dual<N>& x) {
    return x.v;
}

}  // namespace sheet
