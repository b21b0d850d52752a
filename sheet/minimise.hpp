// The run driver's minimisation step, shared by both programs: limited-memory BFGS on the
// model's unknowns with the model's settings, watched by the progress line and the history
// when the options ask for them.
#pragma once

#include <cstdint>
#include <cstdio>

#include "nlp/halt.hpp"
#include "nlp/minimiser.hpp"
#include "sheet/command_line.hpp"
#include "sheet/mesh.hpp"
#include "sheet/watch.hpp"

namespace sheet {

// The console's line for a halted line search, written and flushed before anything else
// reports the failure (the minimiser itself prints nothing).
inline void print_line_search_failure() {
    std::fputs("Line Search Failure\n", stdout);
    std::fflush(stdout);
}

// The minimiser settings of the model: those of its input, the tolerance as start formed it.
inline nlp::lbfgs_settings lbfgs_settings_of(const mesh& m) {
    return {.memory_size = m.memory_size,
            .max_iterations = m.max_iterations,
            .tolerance = m.tolerance,
            .search = {.search_limit = m.search_limit, .search_factor = m.search_factor}};
}

// The minimisation under watch: every objective evaluation is counted and every iteration
// shown to w, which also hears of a failure before it passes on.
template <class Objective>
nlp::minimiser_result watched_lbfgs(mesh& m, std::int32_t n, Objective& objective, watch& w) {
    auto counted = [&](std::int32_t k, const terms::fmat1& x, terms::fmat1& g,
                       nlp::slope_request along = {}) {
        w.count();
        return objective(k, x, g, along);
    };
    nlp::minimiser<decltype(counted)> minimiser(counted);
    try {
        return minimiser.lbfgs(lbfgs_settings_of(m), n, m.x, m.gradient,
                               [&w](const nlp::iteration_state& state) { w.observe(state); });
    } catch (const nlp::halt&) {
        print_line_search_failure();
        w.fail(true);
        throw;
    } catch (...) {
        w.fail(false);
        throw;
    }
}

// Minimises objective over x(1..n) from the model's x; x and gradient are updated in place.
template <class Objective>
nlp::minimiser_result minimise(mesh& m, std::int32_t n, Objective& objective, const options& o) {
    if (watch::wanted(o)) {
        watch w(o, m.tolerance);
        const nlp::minimiser_result result = watched_lbfgs(m, n, objective, w);
        w.finish();
        return result;
    }
    nlp::minimiser<Objective> minimiser(objective);
    try {
        return minimiser.lbfgs(lbfgs_settings_of(m), n, m.x, m.gradient);
    } catch (const nlp::halt&) {
        print_line_search_failure();
        throw;
    }
}

}  // namespace sheet
