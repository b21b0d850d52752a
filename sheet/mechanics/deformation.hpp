// The in-plane deformation of one triangle as the .vtu shows it: its principal stretches, the
// directions of its principal stresses in the current configuration and its signed change of
// area, from the current shape and the initial metric.
#pragma once

#include <cmath>

#include "sheet/mechanics/triangle.hpp"
#include "sheet/model/model.hpp"

namespace sheet {

// The deformation of the element of initial geometry r in its current shape c. w1 and w2 are the
// law's derivatives by i1 and trace_c2 there: in both programs sigma1 - sigma2 is a positive
// multiple of (lambda1^2 - lambda2^2) (w1 + 2 w2 (lambda1^2 + lambda2^2)), so sigma1 lies along
// the larger stretch unless that bracket is negative.
inline in_plane_deformation principal_deformation(const element_geometry& r,
                                                  const current_shape<double>& c, double w1,
                                                  double w2) {
    // An orthonormal frame of the current plane: e = a / |a| and f = n x a / |a|. In it
    // a = (|a|, 0) and b = (a.b / |a|, |a x b| / |a|).
    const double la = std::sqrt(dot(c.a, c.a));
    const double bx = dot(c.a, c.b) / la;
    const double by = c.length / la;
    // B = F F^T = (b_b a a^T - a_b (a b^T + b a^T) + a_a b b^T) / A2^2 in that frame.
    const double a2_2 = r.area2 * r.area2;
    const double b11 = (r.b_b * (la * la) - 2.0 * r.a_b * (la * bx) + r.a_a * (bx * bx)) / a2_2;
    const double b22 = r.a_a * (by * by) / a2_2;
    const double b12 = (r.a_a * bx - r.a_b * la) * by / a2_2;

    // lambda1^2 from the half sum and half difference of B's eigenvalues; lambda2 from
    // lambda1 lambda2 = Jp, which keeps it clear of cancellation.
    const double jp = c.length / r.area2;
    in_plane_deformation out;
    out.stretch1 = std::sqrt(0.5 * (b11 + b22) + std::hypot(0.5 * (b11 - b22), b12));
    out.stretch2 = jp / out.stretch1;

    // lambda1 lies at theta from e, tan 2 theta = 2 b12 / (b11 - b22); sigma1 along it or across.
    const double theta = 0.5 * std::atan2(2.0 * b12, b11 - b22);
    const double squares = out.stretch1 * out.stretch1 + out.stretch2 * out.stretch2;
    const bool across = w1 + 2.0 * w2 * squares < 0.0;
    const double along_e = across ? -std::sin(theta) : std::cos(theta);
    const double along_f = across ? std::cos(theta) : std::sin(theta);
    for (int k = 0; k < 3; ++k) {
        const double e = c.a[k] / la;
        const double f = c.unit_a[k] / la;
        out.direction1[k] = along_e * e + along_f * f;
        out.direction2[k] = along_e * f - along_f * e;  // n x direction1
    }

    // Its sign says whether the triangle has folded, which its neighbours tell
    // (sheet/assembly/folds.hpp).
    out.area_ratio = jp;
    return out;
}

}  // namespace sheet
