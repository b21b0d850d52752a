// Dense self-scaling BFGS: an explicit inverse Hessian approximation H, starting from the
// identity, updated after every line search with the BFGS correction whose old part is scaled
// by s.y / y.Hy. H is symmetric and stored packed: one triangle, diagonal by diagonal.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "arrays/terms.hpp"
#include "nlp/linesearch.hpp"
#include "nlp/minimiser_result.hpp"
#include "nlp/norm.hpp"
#include "nlp/numeric_error.hpp"
#include "nlp/settings.hpp"

namespace nlp {

// Position in the packed H of the entry (i, j), 1 <= i <= j <= n: the n diagonal entries come
// first ((i, i) at i), then the first superdiagonal, and so on, (1, n) last. For n = 3 the
// order is (1,1), (2,2), (3,3), (1,2), (2,3), (1,3). (j, i) is the same entry as (i, j).
inline std::int32_t packed_position(std::int32_t n, std::int32_t j, std::int32_t i) {
    return i + ((j - i) * (i + 2 * n - j + 1)) / 2;
}

namespace detail {

// Length of the packed H, ((n + 1) n) / 2, which must be formed in 32-bit integers.
inline std::int32_t packed_length(std::int32_t n) {
    const std::int64_t product = (std::int64_t{n} + 1) * n;
    if (product > INT32_MAX)
        throw numeric_error("bfgs: the packed matrix for n = " + std::to_string(n) +
                            " unknowns is too large to address with 32-bit positions");
    return static_cast<std::int32_t>(product / 2);
}

// r = sqrt(yHy), which fails for a negative yHy (H no longer positive definite).
inline double root_of_yhy(double yhy) {
    if (yhy < 0.0)
        throw numeric_error("bfgs: y.Hy is negative (" + std::to_string(yhy) +
                            "): the matrix has lost positive definiteness");
    return std::sqrt(yhy);
}

}  // namespace detail

// Minimises the objective from x; arguments and result as lbfgs, with the settings of a method
// that keeps no pairs.
// Fails with numeric_error when ((n + 1) n) overflows 32 bits (before anything is allocated)
// and when y.Hy turns negative.
template <class Objective>
minimiser_result bfgs(Objective& objective, const bfgs_settings& settings, std::int32_t n,
                      terms::real_vector& x, terms::real_vector& g) {
    const bfgs_settings used = normalised(settings);
    const std::int32_t length = detail::packed_length(n);
    (void)x.view(1, n);
    (void)g.view(1, n);
    terms::real_vector h(1, length);
    terms::real_vector d(1, n);   // direction; during the update also the vector w
    terms::real_vector s(1, n);   // saved point, then the step s = x - saved x
    terms::real_vector y(1, n);   // saved gradient, then the change y = g - saved g
    terms::real_vector hy(1, n);  // H.y
    const std::span<double> hv = h.view(1, length);
    const std::span<double> dv = d.view(1, n);
    const std::span<double> sv = s.view(1, n);
    const std::span<double> yv = y.view(1, n);
    const std::span<double> hyv = hy.view(1, n);
    const std::size_t count = dv.size();
    // H(i, j) for i <= j, 1-based
    double* const hp = hv.data();
    const auto at = [hp, n](std::int32_t i, std::int32_t j) -> double& {
        return hp[packed_position(n, j, i) - 1];
    };

    // H := I
    for (std::int32_t i = 1; i <= n; ++i) {
        at(i, i) = 1.0;
        for (std::int32_t j = i + 1; j <= n; ++j) at(i, j) = 0.0;
    }

    const auto step = [&](double energy) {
        return search_and_pair(objective, used.search, n, energy, x, g, d, sv, yv);
    };

    double energy = objective(n, std::as_const(x), g);
    std::int32_t k = 1;
    {
        const std::span<const double> gv = std::as_const(g).view(1, n);
        for (std::size_t i = 0; i < count; ++i) dv[i] = -gv[i];
    }
    energy = step(energy);

    while (k < used.max_iterations && norm(n, g) > used.tolerance) {
        k = k + 1;

        // hy = H.y, row by row: diagonal, then the column above it, then the row beyond it
        for (std::int32_t i = 1; i <= n; ++i) {
            double sum = at(i, i) * yv[i - 1];
            for (std::int32_t j = 1; j < i; ++j) sum = sum + yv[j - 1] * at(j, i);
            for (std::int32_t j = i + 1; j <= n; ++j) sum = sum + yv[j - 1] * at(i, j);
            hyv[i - 1] = sum;
        }

        // yHy and sy in one pass
        double yhy = 0.0;
        double sy = 0.0;
        for (std::size_t i = 0; i < count; ++i) {
            yhy = yhy + hyv[i] * yv[i];
            sy = sy + yv[i] * sv[i];
        }
        const double r = detail::root_of_yhy(yhy);

        // w = r (s / sy - Hy / yHy), kept in d
        const std::span<double> wv = dv;
        for (std::size_t i = 0; i < count; ++i) wv[i] = sv[i] * (r / sy) - hyv[i] / r;

        // H := c (H - Hy Hy' / yHy + w w') + s s' / sy, c = sy / yHy, each entry once
        const double c = sy / yhy;
        for (std::int32_t i = 1; i <= n; ++i) {
            const double hyi = hyv[i - 1];
            const double wi = wv[i - 1];
            const double si = sv[i - 1];
            for (std::int32_t j = 1; j <= i; ++j) {
                double& entry = at(j, i);
                entry = c * ((entry - hyv[j - 1] * (hyi / yhy)) + wv[j - 1] * wi) +
                        sv[j - 1] * (si / sy);
            }
        }

        // d = -H.g, row by row as for hy
        const std::span<const double> gv = std::as_const(g).view(1, n);
        for (std::int32_t i = 1; i <= n; ++i) {
            double sum = at(i, i) * gv[i - 1];
            for (std::int32_t j = 1; j < i; ++j) sum = sum + gv[j - 1] * at(j, i);
            for (std::int32_t j = i + 1; j <= n; ++j) sum = sum + gv[j - 1] * at(i, j);
            dv[i - 1] = -sum;
        }

        energy = step(energy);
    }

    return {k, energy, is_optimal(n, g, energy, used.tolerance)};
}

}  // namespace nlp
