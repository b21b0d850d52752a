// What the line search may ask of an objective besides the energy and gradient: the slope g.d
// along the search direction, so that an objective which forms its gradient in parts can sum the
// slope part by part as they are ready instead of in a pass after them.
#pragma once

#include <concepts>
#include <cstdint>

#include "arrays/terms.hpp"

namespace nlp {

// With d set, the objective also stores in *slope the sum of g(i) d(i) over i = 1..n, ascending
// from 0.0: to the bit the sum the line search would form. With d null it asks for nothing.
struct slope_request {
    const double* d = nullptr;  // d(1..n) as d[0..n-1]
    double* slope = nullptr;
};

// An objective that takes a slope request as a fourth argument.
template <class Objective>
concept forms_slope = requires(Objective& objective, std::int32_t n, const terms::real_vector& x,
                               terms::real_vector& g, slope_request request) {
    { objective(n, x, g, request) } -> std::convertible_to<double>;
};

}  // namespace nlp
