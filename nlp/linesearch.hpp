// The step-length search shared by every minimiser, with its safeguarded cubic interpolation.
//
// The search tries the unit step, doubles the step while the energy keeps falling and the slope
// stays negative, then brackets the step between a low end and a high end and shrinks the
// bracket by cubic interpolation until a trial is acceptable or the trial limit is reached.
// A search never ends on a trial whose energy or slope is not finite: where it would, it
// retreats towards the last finite low end, and fails when none but the start is left.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <utility>

#include "arrays/terms.hpp"
#include "nlp/ascending.hpp"
#include "nlp/halt.hpp"
#include "nlp/settings.hpp"
#include "nlp/slope.hpp"

namespace nlp {

// The next trial step inside the bracket [a, b]: the minimiser of the cubic that matches the
// energies fa, fb and the slopes da, db at the two ends. Falls back to the midpoint when the
// cubic has no minimiser or the computed step leaves [a, b] (or is NaN).
inline double cubic(double a, double b, double fa, double fb, double da, double db) {
    if (da == 0.0) return a;
    if (db == 0.0) return b;
    const double theta = 3.0 * (fa - fb) / (b - a) + da + db;
    // sqrt(|da * db|) without forming the product
    const double s = std::sqrt(std::abs(da)) * std::sqrt(std::abs(db));
    const double size = std::abs(theta);
    double gamma;  // sqrt(theta^2 - da * db), formed without overflow
    if ((da < 0.0 && db > 0.0) || (da > 0.0 && db < 0.0)) {
        if (size >= s) {
            const double q = s / size;
            gamma = size * std::sqrt(1.0 + q * q);
        } else {
            const double q = size / s;
            gamma = s * std::sqrt(1.0 + q * q);
        }
    } else {
        if (size < s) return (a + b) * 0.5;  // no real minimiser
        const double q = s / size;
        gamma = size * std::sqrt(1.0 - q * q);
    }
    // z = gamma - theta, without cancellation when theta > 0
    const double z = theta > 0.0 ? -(da * db) / (theta + gamma) : gamma - theta;
    const double t = b - (b - a) * (db + z) / ((db - da + gamma) + gamma);
    if (a <= t && t <= b) return t;
    return (a + b) * 0.5;
}

namespace detail {

inline bool finite(double f, double s) {
    return std::isfinite(f) && std::isfinite(s);
}

// The two brackets hold the same bits, NaN and the sign of zero included.
inline bool same_bits(const double (&a)[6], const double (&b)[6]) {
    for (int i = 0; i < 6; ++i)
        if (std::bit_cast<std::uint64_t>(a[i]) != std::bit_cast<std::uint64_t>(b[i])) return false;
    return true;
}

// The search proper, from the start point x0 (a copy of x on entry, read only) and the slope
// s0 = g.d there, both formed by the caller in the pass that saved x; g0 is the gradient at x0
// when the caller saved it too, empty otherwise. Every search comes here, so here its settings
// are normalised.
template <class Objective>
double search_from(Objective& objective, const search_settings& settings, std::int32_t n, double f0,
                   terms::real_vector& x, terms::real_vector& g, const terms::real_vector& d,
                   std::span<const double> x0v, std::span<const double> g0v, double s0,
                   double* step) {
    const search_settings search = normalised(settings);
    const std::span<double> xv = x.view(1, n);
    const std::span<const double> dv = d.view(1, n);
    const std::size_t count = xv.size();

    // slope g.d with the gradient the objective has just produced
    const auto slope = [&]() {
        const double* const gv = std::as_const(g).view(1, n).data();
        const double* const dp = dv.data();
        double sum = 0.0;
        ascending(
            count, [&](std::size_t i) { sum = sum + gv[i] * dp[i]; }, gv, dp);
        return sum;
    };

    if (s0 >= 0.0)  // not a descent direction (a NaN slope goes on)
        throw halt("linesearch: the search direction is not a descent direction");
    const double c = -(s0 * search.search_factor);  // curvature threshold

    // the energy and slope at x, the slope from the objective when it forms it
    double f = 0.0;
    double s = 0.0;
    const auto evaluate = [&]() {
        if constexpr (forms_slope<Objective>) {
            f = objective(n, std::as_const(x), g, slope_request{dv.data(), &s});
        } else {
            f = objective(n, std::as_const(x), g);
            s = slope();
        }
    };
    // one trial: x := t.d + x0, then the energy and slope there
    const auto trial = [&](double t) {
        for (std::size_t i = 0; i < count; ++i) xv[i] = t * dv[i] + x0v[i];
        evaluate();
    };

    // unit step, formed as d + x0
    for (std::size_t i = 0; i < count; ++i) xv[i] = dv[i] + x0v[i];
    evaluate();

    // bracket: low end (tl, fl, sl), high end (th, fh, sh)
    double tl = 0.0, fl = f0, sl = s0;
    double th = 1.0, fh = f, sh = s;
    // the last low end whose energy and slope are finite, the start until a trial is one
    double t_finite = 0.0, f_finite = f0;
    const auto lower = [&](double t) {
        tl = t;
        fl = f;
        sl = s;
        if (finite(f, s)) {
            t_finite = t;
            f_finite = f;
        }
    };
    const auto found = [&](double t) {
        if (step != nullptr) *step = t;
        return f;
    };

    // Where the search would end on the trial at t whose energy or slope is not finite: halve
    // the step from t towards the last finite low end until a trial there is finite with an
    // energy not above that end's; failing that, that end itself when it is a trial; failing
    // that too, x (and g when it was saved) back to the start and a halt.
    const auto retreat = [&](double t) {
        double a = t_finite, b = t;
        for (std::int32_t k = 0; k < search.retreat_limit; ++k) {
            const double middle = (a + b) * 0.5;
            if (!(a < middle && middle < b)) break;  // no step left between them
            trial(middle);
            if (finite(f, s) && !(f > f_finite)) return found(middle);
            b = middle;
        }
        if (t_finite > 0.0) {
            trial(t_finite);  // the same point, energy and gradient as when it was tried
            if (finite(f, s)) return found(t_finite);
        }
        std::copy(x0v.begin(), x0v.end(), xv.begin());
        if (g0v.size() == count) {
            const std::span<double> gv = g.view(1, n);
            std::copy(g0v.begin(), g0v.end(), gv.begin());
        }
        throw halt(
            "linesearch: every step tried along the search direction gave an energy or slope "
            "that is not a finite number (or an energy above the start's)");
    };
    const auto finish = [&](double t) { return finite(f, s) ? found(t) : retreat(t); };

    // expansion: double the step while the energy falls and the slope stays negative
    if (s < 0.0 && f < f0) {
        double t = 1.0;
        do {
            lower(t);
            t = t + t;
            trial(t);
        } while (s < 0.0 && f < fl);
        th = t;
        fh = f;
        sh = s;
    }

    // sectioning: at least one trial, at most search_limit
    for (std::int32_t m = 1;; ++m) {
        const double t = cubic(tl, th, fl, fh, sl, sh);
        trial(t);
        const bool acceptable = f <= fl && f <= fh && std::abs(s) <= c;
        if (acceptable || m >= search.search_limit) return finish(t);
        const double before[6] = {tl, fl, sl, th, fh, sh};
        if (s < 0.0) {
            lower(t);
        } else {  // s >= 0 or NaN
            th = t;
            fh = f;
            sh = s;
        }
        // A bracket that the trial left as it was (to the bit, NaN included) makes every later
        // trial repeat this one exactly, up to the trial limit: its result is this one's.
        const double after[6] = {tl, fl, sl, th, fh, sh};
        if (same_bits(before, after)) return finish(t);
    }
}

}  // namespace detail

// Searches along d from x for a step t > 0.
//   in:  search (settings.hpp), n (indices 1..n are used), f0 = objective at x, g = gradient
//        at x, d = direction (read only). x, g and d must cover 1..n.
//   out: x = the last trial point, g = the gradient there; returns the energy there and, when
//        step is given, stores the trial's step length in *step. The energy and the slope there
//        are finite.
// Fails with halt when g.d >= 0, x and g then unchanged, and when the search would end on a trial
// whose energy or slope is not finite and no finite point but the start can be reached, x then
// the start again and g that of the last trial; the search prints nothing, the caller that
// catches the halt reports the failure. The objective is called
// once per trial and never otherwise.
template <class Objective>
double linesearch(Objective& objective, const search_settings& search, std::int32_t n, double f0,
                  terms::real_vector& x, terms::real_vector& g, const terms::real_vector& d,
                  double* step = nullptr) {
    const double* const xv = std::as_const(x).view(1, n).data();
    const double* const gv = std::as_const(g).view(1, n).data();
    const double* const dv = d.view(1, n).data();
    // saved start point x0, copied in the pass that forms the slope g.d at x
    terms::real_vector x0(1, n, terms::uninitialized);
    const std::span<double> x0v = x0.view(1, n);
    double* const saved = x0v.data();
    double s0 = 0.0;
    ascending(
        x0v.size(),
        [&](std::size_t i) {
            saved[i] = xv[i];
            s0 = s0 + gv[i] * dv[i];
        },
        xv, gv, dv);
    return detail::search_from(objective, search, n, f0, x, g, d, x0v, {}, s0, step);
}

// One iteration's search as every minimiser makes it, up to the pair: saves x and g into
// saved_x and saved_g in the pass that forms the slope g.d at x, then searches along d from x,
// the saved x serving as the search's start point. Returns the energy of the search (and its
// step length in *step when given). On a halt x and g are those of the start.
// saved_x and saved_g cover 1..n as spans.
template <class Objective>
double search_and_save(Objective& objective, const search_settings& search, std::int32_t n,
                       double energy, terms::real_vector& x, terms::real_vector& g,
                       const terms::real_vector& d, std::span<double> saved_x,
                       std::span<double> saved_g, double* step = nullptr) {
    const double* const xv = std::as_const(x).view(1, n).data();
    const double* const gv = std::as_const(g).view(1, n).data();
    const double* const dv = d.view(1, n).data();
    if (saved_x.size() != saved_g.size() || saved_x.size() != static_cast<std::size_t>(n))
        throw std::invalid_argument("nlp: saved point and gradient of the wrong length");
    double* const sx = saved_x.data();
    double* const sg = saved_g.data();
    double s0 = 0.0;
    ascending(
        saved_x.size(),
        [&](std::size_t i) {
            sx[i] = xv[i];
            sg[i] = gv[i];
            s0 = s0 + gv[i] * dv[i];
        },
        xv, gv, dv);
    return detail::search_from(objective, search, n, energy, x, g, d, saved_x, saved_g, s0, step);
}

// One iteration's search as every minimiser makes it: search_and_save into s and y, then s and
// y turned in place into the step s = x - saved x and the gradient change y = g - saved g.
// Returns the energy of the search. s and y cover 1..n as spans.
template <class Objective>
double search_and_pair(Objective& objective, const search_settings& search, std::int32_t n,
                       double energy, terms::real_vector& x, terms::real_vector& g,
                       const terms::real_vector& d, std::span<double> s, std::span<double> y) {
    energy = search_and_save(objective, search, n, energy, x, g, d, s, y);
    const std::span<const double> xn = std::as_const(x).view(1, n);
    const std::span<const double> gn = std::as_const(g).view(1, n);
    for (std::size_t i = 0; i < s.size(); ++i) {
        s[i] = xn[i] - s[i];
        y[i] = gn[i] - y[i];
    }
    return energy;
}

}  // namespace nlp
