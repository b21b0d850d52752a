// The maximum norm of a real vector and the stopping flag formed from it.
#pragma once

#include <cmath>
#include <cstdint>
#include <span>

#include "arrays/terms.hpp"

namespace nlp {

// Largest |v[i]|. A running maximum starts at 0.0 and is replaced only by a strictly greater
// value, so NaN entries are passed over and an empty v gives 0.0. The largest of a set does not
// depend on the order it is sought in, so four maxima run side by side over every fourth entry.
inline double norm(std::span<const double> v) {
    const auto larger = [](double largest, double value) {
        const double magnitude = std::abs(value);
        return magnitude > largest ? magnitude : largest;
    };
    double largest[4] = {0.0, 0.0, 0.0, 0.0};
    std::size_t i = 0;
    for (; i + 4 <= v.size(); i += 4)
        for (int j = 0; j < 4; ++j) largest[j] = larger(largest[j], v[i + j]);
    for (; i < v.size(); ++i) largest[0] = larger(largest[0], v[i]);
    return larger(larger(largest[0], largest[1]), larger(largest[2], largest[3]));
}

// Largest |x(i)| over i = 1..n, as above; n <= 0 gives 0.0.
// x must cover 1..n (checked once, terms::range_error otherwise).
inline double norm(std::int32_t n, const terms::real_vector& x) {
    return norm(x.view(1, n));
}

// The stopping flag a minimiser returns: norm(n, g) <= tolerance, but false when the energy or
// any of g(1..n) is NaN (norm passes NaN over, so a broken gradient would otherwise look
// optimal).
inline bool is_optimal(std::int32_t n, const terms::real_vector& g, double energy,
                       double tolerance) {
    if (!(norm(n, g) <= tolerance) || std::isnan(energy)) return false;
    for (const double value : g.view(1, n)) {
        if (std::isnan(value)) return false;
    }
    return true;
}

}  // namespace nlp
