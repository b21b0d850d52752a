// The operations beyond + - * / that the element formulas use, on one real. The formulas are
// templates over the number type; sheet/lanes-inl.hpp gives the same names for a vector of
// reals, one element per lane, with the same IEEE result in every lane.
#pragma once

#include <cmath>

namespace sheet {

// Correctly rounded square root.
inline double root(double x) {
    return std::sqrt(x);
}

// x^y by the C library's pow.
inline double power(double x, double y) {
    return std::pow(x, y);
}

}  // namespace sheet
