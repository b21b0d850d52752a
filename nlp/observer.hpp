// What the minimiser shows to an observer after each iteration: the observer only reads, so it
// cannot change a number the minimiser computes.
#pragma once

#include <cstdint>
#include <span>

namespace nlp {

struct iteration_state {
    std::int32_t iteration;            // 0 for the starting point, then 1, 2, ...
    double energy;                     // objective at x
    double step;                       // length of the step that reached x (0 at the start)
    std::span<const double> x;         // x(1..n)
    std::span<const double> gradient;  // g(1..n) at x
};

// The observer of a run that nobody watches.
struct no_observer {
    void operator()(const iteration_state&) const {}
};

}  // namespace nlp
