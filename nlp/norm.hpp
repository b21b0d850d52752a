// The maximum norm of a real vector and the stopping flag formed from it.
#pragma once

#include <cmath>
#include <cstdint>
#include <span>

#include "arrays/terms.hpp"

namespace nlp {

// Largest |v[i]|. The running maximum starts at 0.0 and is replaced only by a strictly greater
// value, so NaN entries are passed over and an empty v gives 0.0.
inline double norm(std::span<const double> v) {
    double largest = 0.0;
    for (const double value : v) {
        const double magnitude = std::abs(value);
        if (magnitude > largest) largest = magnitude;
    }
    return largest;
}

// Largest |x(i)| over i = 1..n, as above; n <= 0 gives 0.0.
// x must cover 1..n (checked once, terms::range_error otherwise).
inline double norm(std::int32_t n, const terms::fmat1& x) {
    return norm(x.view(1, n));
}

// The stopping flag a minimiser returns: norm(n, g) <= tolerance, but false when the energy or
// any of g(1..n) is NaN (norm passes NaN over, so a broken gradient would otherwise look
// optimal).
inline bool is_optimal(std::int32_t n, const terms::fmat1& g, double energy, double tolerance) {
    if (!(norm(n, g) <= tolerance) || std::isnan(energy)) return false;
    for (const double value : g.view(1, n)) {
        if (std::isnan(value)) return false;
    }
    return true;
}

}  // namespace nlp
