// Newton's line search: from the full step, backtracking under a sufficient-decrease test measured
// from a reference energy (the start's, or the highest of the last few iterates' for a
// nonmonotone search). A trial whose point is not admissible (a triangle turned inside out) or
// whose energy is not finite is rejected and the step shortened.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "arrays/terms.hpp"
#include "nlp/halt.hpp"
#include "nlp/norm.hpp"
#include "nlp/settings.hpp"

namespace nlp {

// The next, shorter step after a trial at t of energy f was rejected: the minimiser of the
// quadratic through f0, the slope s0 and f, kept within [t / 10, t / 2]; a quarter of t when f
// says nothing (not finite, or the point was not admissible).
inline double shorter_step(double t, double f0, double s0, double f) {
    if (!std::isfinite(f)) return 0.25 * t;
    const double curvature = f - f0 - s0 * t;  // of the quadratic, times t^2
    const double best = curvature > 0.0 ? -(s0 * t * t) / (2.0 * curvature) : 0.5 * t;
    return std::clamp(best, 0.1 * t, 0.5 * t);
}

// Searches along d from x for a step t in (0, 1].
//   in:  f0 = objective at x, g = its gradient there (the one the stopping test bounds),
//        reference >= f0 the energy a trial's decrease is measured from (f0: never uphill),
//        s0 = the slope of the energy along d (negative), d the direction. x, g, d cover 1..n.
//   out: x = x0 + t d and g the gradient there; returns the energy there and stores t in *step.
// A trial is accepted when it is admissible, its energy finite and
//   f - reference <= sufficient_decrease t s0, or
//   |f - f0| <= energy_roundoff max(|f0|, |f|) and norm(g) < norm(g0)
// (near the minimum the energy's change falls below its round-off: then a step that lowers the
// largest gradient component is progress). Fails with halt when no trial of the limit is
// accepted (x and g are then those of the last trial evaluated, or x0's).
// When uphill is given, *uphill tells whether a trial was rejected for its energy (a finite
// energy above the sufficient decrease) rather than for its point or a non-finite energy alone.
template <class Objective, class Admissible>
double backtrack(Objective& objective, Admissible&& admissible,
                 const backtracking_settings& settings, std::int32_t n, double f0, double reference,
                 terms::real_vector& x, terms::real_vector& g, const terms::real_vector& d,
                 double s0, double* step, bool* uphill = nullptr) {
    const backtracking_settings used = normalised(settings);
    if (!(s0 < 0.0)) throw halt("newton: the step is not a descent direction");
    const std::span<double> xv = x.view(1, n);
    const std::span<const double> dv = d.view(1, n);
    terms::real_vector x0(1, n, terms::uninitialized);
    const std::span<double> x0v = x0.view(1, n);
    std::copy(xv.begin(), xv.end(), x0v.begin());
    const double norm0 = norm(n, g);
    double t = 1.0;
    if (uphill != nullptr) *uphill = false;
    for (std::int32_t trial = 1; trial <= used.trial_limit; ++trial) {
        for (std::size_t i = 0; i < xv.size(); ++i) xv[i] = t * dv[i] + x0v[i];  // x0 + t d
        double f = NAN;
        if (admissible(std::as_const(x))) {
            f = objective(n, std::as_const(x), g);
            const double change = f - f0;
            const bool decrease = f - reference <= used.sufficient_decrease * t * s0;
            const bool within_roundoff =
                std::abs(change) <= used.energy_roundoff * std::max(std::abs(f0), std::abs(f)) &&
                norm(n, g) < norm0;
            if (std::isfinite(f) && (decrease || within_roundoff)) {
                *step = t;
                return f;
            }
            if (uphill != nullptr && std::isfinite(f)) *uphill = true;
        }
        t = shorter_step(t, f0, s0, f);
    }
    throw halt("newton: no step along the Newton direction lowers the energy");
}

}  // namespace nlp
