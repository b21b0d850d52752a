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

// Keeps the count and energy of the latest iterate in the results as the minimiser goes, so
// that a run its line search halts can still say where it stopped.
inline void note_iterate(model& m, const nlp::iteration_state& state) {
    m.results.minor = state.iteration;
    m.results.energy = state.energy;
}

// method(objective, observer) under watch when the options ask for it: every objective
// evaluation is counted and every iteration shown to the watch, which also hears of a failure
// before it passes on; a halt prints the console's failure line. Either way the results follow
// the latest iterate.
template <class Objective, class Method>
nlp::minimiser_result watched(model& m, Objective& objective, const options& o, Method&& method) {
    if (!watch::wanted(o)) {
        try {
            return method(objective,
                          [&m](const nlp::iteration_state& state) { note_iterate(m, state); });
        } catch (const nlp::halt&) {
            print_line_search_failure();
            throw;
        }
    }
    watch w(o, m.results.tolerance);
    auto counted = [&](std::int32_t k, const terms::real_vector& x, terms::real_vector& g,
                       nlp::slope_request along = {}) {
        w.count();
        return objective(k, x, g, along);
    };
    nlp::minimiser_result result;
    try {
        result = method(counted, [&](const nlp::iteration_state& state) {
            note_iterate(m, state);
            w.observe(state);
        });
    } catch (const nlp::halt&) {
        w.fail();
        print_line_search_failure();
        throw;
    } catch (...) {
        w.fail();
        throw;
    }
    w.finish();
    return result;
}

// Minimises objective over the model's unknowns from their starting values; x and gradient are
// updated in place, and the results hold the latest iterate's count and energy.
template <class Objective>
nlp::minimiser_result minimise(model& m, Objective& objective, const options& o) {
    return watched(m, objective, o, [&m](auto& f, auto&& observe) {
        nlp::minimiser minimiser(f);
        return minimiser.lbfgs(lbfgs_settings_of(m), m.numbering.unknown_count, m.unknowns.x,
                               m.unknowns.gradient, observe);
    });
}

}  // namespace sheet
