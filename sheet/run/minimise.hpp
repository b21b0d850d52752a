// The run's minimisation step, shared by both programs: limited-memory BFGS on the model's
// unknowns with the model's settings, watched by the progress line and the history when the
// options ask for them. A halted line search is reported here: the minimiser prints nothing.
#pragma once

#include <cstdint>
#include <cstdio>

#include "nlp/halt.hpp"
#include "nlp/minimiser.hpp"
#include "sheet/model/model.hpp"
#include "sheet/run/command_line.hpp"
#include "sheet/run/watch.hpp"

namespace sheet {

// The console's line for a halted line search, written and flushed before anything else
// reports the failure.
inline void print_line_search_failure() {
    std::fputs("Line Search Failure\n", stdout);
    std::fflush(stdout);
}

// The minimiser settings of the model: those of its input, the tolerance as start formed it.
inline nlp::lbfgs_settings lbfgs_settings_of(const model& m) {
    const solver_settings& s = m.problem.settings;
    return {.memory_size = s.memory_size,
            .max_iterations = s.max_iterations,
            .tolerance = m.results.tolerance,
            .search = {.search_limit = s.search_limit, .search_factor = s.search_factor}};
}

// The minimisation under watch: every objective evaluation is counted and every iteration
// shown to w, which also hears of a failure before it passes on.
template <class Objective>
nlp::minimiser_result watched_lbfgs(model& m, Objective& objective, watch& w) {
    auto counted = [&](std::int32_t k, const terms::real_vector& x, terms::real_vector& g,
                       nlp::slope_request along = {}) {
        w.count();
        return objective(k, x, g, along);
    };
    nlp::minimiser<decltype(counted)> minimiser(counted);
    try {
        return minimiser.lbfgs(lbfgs_settings_of(m), m.numbering.unknown_count, m.unknowns.x,
                               m.unknowns.gradient,
                               [&w](const nlp::iteration_state& state) { w.observe(state); });
    } catch (const nlp::halt&) {
        w.fail();
        print_line_search_failure();
        throw;
    } catch (...) {
        w.fail();
        throw;
    }
}

// The minimisation unwatched.
template <class Objective>
nlp::minimiser_result bare_lbfgs(model& m, Objective& objective) {
    nlp::minimiser<Objective> minimiser(objective);
    try {
        return minimiser.lbfgs(lbfgs_settings_of(m), m.numbering.unknown_count, m.unknowns.x,
                               m.unknowns.gradient);
    } catch (const nlp::halt&) {
        print_line_search_failure();
        throw;
    }
}

// Minimises objective over the model's unknowns from their starting values; x and gradient are
// updated in place.
template <class Objective>
nlp::minimiser_result minimise(model& m, Objective& objective, const options& o) {
    if (watch::wanted(o)) {
        watch w(o, m.results.tolerance);
        const nlp::minimiser_result result = watched_lbfgs(m, objective, w);
        w.finish();
        return result;
    }
    return bare_lbfgs(m, objective);
}

}  // namespace sheet
