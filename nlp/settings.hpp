// The settings of the line search and of the three minimisers, and their normalisation: the one
// place that says what a count below 1 means.
#pragma once

#include <cstdint>

namespace nlp {

// How the line search finds a step along a direction (linesearch.hpp).
struct search_settings {
    // Most sectioning trials, the cubic steps inside the bracket after the unit step and its
    // doublings. One is always made: a limit below 1 acts as 1.
    std::int32_t search_limit = 10;
    // Curvature factor of the acceptance test: a sectioning trial whose energy is at or below
    // both ends of the bracket is accepted when |g.d| <= search_factor |g0.d|, g0 the gradient
    // at the start. A negative or NaN factor accepts no trial, so the limit (or a bracket that
    // no longer changes) ends every search.
    double search_factor = 0.9;
    // Most halvings of the step towards the bracket's last finite low end when the search
    // would otherwise end on a trial whose energy or slope is not finite (NaN or infinite).
    // Below 0 acts as 0.
    std::int32_t retreat_limit = 30;
};

// The settings of limited-memory BFGS (lbfgs.hpp).
struct lbfgs_settings {
    // Correction pairs kept: the direction of iteration k comes from the pairs of the
    // min(k - 1, memory_size) iterations before it. Below 1 acts as 1.
    std::int32_t memory_size = 5;
    // Most iterations, one line search each. The first is always made: below 1 acts as 1.
    std::int32_t max_iterations = 2000;
    // Bound on the largest |g(i)|: the run ends, optimal, once the gradient is within it. A
    // negative tolerance is never met; a NaN one ends the run after its first iteration, which
    // is then not optimal.
    double tolerance = 1e-5;
    search_settings search;  // that of every iteration's line search
};

// The settings of dense BFGS and memoryless BFGS (bfgs.hpp, mbfgs.hpp), which keep no pairs:
// those of lbfgs without memory_size, each field with the same meaning.
struct bfgs_settings {
    std::int32_t max_iterations = 2000;
    double tolerance = 1e-5;
    search_settings search;
};

// How Newton's line search shortens a step (backtracking.hpp).
struct backtracking_settings {
    // Most trials along one direction, the full step included. Below 1 acts as 1.
    std::int32_t trial_limit = 40;
    // Armijo's factor: a trial at step t is accepted when f(t) - f(0) <= factor t g.d.
    double sufficient_decrease = 1e-4;
    // The energy's round-off, relative to its magnitude: a trial whose energy differs from the
    // start's by no more than this is accepted when it lowers the largest gradient component.
    double energy_roundoff = 1e-11;
};

// The settings of Newton's method (newton.hpp).
struct newton_settings {
    // Most iterations, one Newton step each. Unlike lbfgs, none is made from an optimal start.
    std::int32_t max_iterations = 2000;
    double tolerance = 1e-5;  // bound on the largest |g(i)|, as lbfgs's
    // The iterates whose highest energy a trial's decrease is measured from, the current one
    // among them (a nonmonotone search); 1 makes the search monotone. Below 1 acts as 1.
    std::int32_t nonmonotone_memory = 10;
    // The most that energy may lie above the current one, in multiples of the step's slope
    // |g' d|: 0 makes the search monotone. Below 0 (or NaN) acts as 0.
    double nonmonotone_rise = 10.0;
    backtracking_settings search;
};

namespace detail {

inline std::int32_t at_least_one(std::int32_t count) {
    return count < 1 ? 1 : count;
}

}  // namespace detail

// The settings as the routines apply them: every count below 1 raised to 1 (the retreat limit
// below 0 to 0), the reals as given.
// Each routine normalises its settings on entry; normalising twice changes nothing.
inline search_settings normalised(search_settings settings) {
    settings.search_limit = detail::at_least_one(settings.search_limit);
    settings.retreat_limit = settings.retreat_limit < 0 ? 0 : settings.retreat_limit;
    return settings;
}

inline lbfgs_settings normalised(lbfgs_settings settings) {
    settings.memory_size = detail::at_least_one(settings.memory_size);
    settings.max_iterations = detail::at_least_one(settings.max_iterations);
    settings.search = normalised(settings.search);
    return settings;
}

inline bfgs_settings normalised(bfgs_settings settings) {
    settings.max_iterations = detail::at_least_one(settings.max_iterations);
    settings.search = normalised(settings.search);
    return settings;
}

inline backtracking_settings normalised(backtracking_settings settings) {
    settings.trial_limit = detail::at_least_one(settings.trial_limit);
    return settings;
}

inline newton_settings normalised(newton_settings settings) {
    settings.max_iterations = settings.max_iterations < 0 ? 0 : settings.max_iterations;
    settings.nonmonotone_memory = detail::at_least_one(settings.nonmonotone_memory);
    settings.nonmonotone_rise = settings.nonmonotone_rise > 0.0 ? settings.nonmonotone_rise : 0.0;
    settings.search = normalised(settings.search);
    return settings;
}

}  // namespace nlp
