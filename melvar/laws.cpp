// The Arruda-Boyce series coefficients from the locking stretch.
#include <cmath>

#include "melvar/laws.hpp"

namespace melvar {

namespace {

// lock^power rounded once to double precision: the product is carried as an unevaluated sum
// hi + lo of two doubles, exact to about 2^-104, and rounded at the end.
double power_rounded_once(double lock, int power) {
    double hi = 1.0, lo = 0.0;
    for (int i = 0; i < power; ++i) {
        const double product = hi * lock;
        const double error = std::fma(hi, lock, -product) + lo * lock;
        hi = product + error;
        lo = error - (hi - product);
    }
    return hi + lo;
}

}  // namespace

std::array<double, 5> boyce_coefficients(double lock) {
    const double l2 = lock * lock;
    const double l4 = l2 * l2;
    const double l6 = power_rounded_once(lock, 6);
    const double l8 = power_rounded_once(lock, 8);
    return {0.5,
            0.05 / l2,                    // 1/20
            0.010476190476190476 / l4,    // 11/1050
            0.0027142857142857142 / l6,   // 19/7000
            0.0007703153988868275 / l8};  // 519/673750
}

}  // namespace melvar
