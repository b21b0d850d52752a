// The in-plane principal stresses of an element from the half sum, the squared half difference
// and the product that each program's element gives.
#pragma once

#include <cmath>

#include "sheet/model/model.hpp"

namespace sheet {

// Roots of s^2 - 2 t s + p = 0 without cancellation, given t (half their sum), the expression
// under the root of d (half their difference) and p (their product). Rounding may make that
// expression slightly negative when the roots nearly coincide: it is then taken as 0.0. When
// the root of larger magnitude is exactly 0.0 the other is 0.0 too.
inline principal_stresses principal(double t, double radicand, double p) {
    const double d = std::sqrt(radicand < 0.0 ? 0.0 : radicand);
    if (t >= 0.0) {
        const double larger = t + d;
        return {larger, larger == 0.0 ? 0.0 : p / larger};
    }
    const double smaller = t - d;
    return {smaller == 0.0 ? 0.0 : p / smaller, smaller};
}

}  // namespace sheet
