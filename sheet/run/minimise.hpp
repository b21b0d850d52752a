// The run's minimisation step, shared by both programs: limited-memory BFGS on the model's
// unknowns with the model's settings, watched by the progress line and the history when the
// options ask for them. A halted line search is reported here: the minimiser prints nothing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>

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

// method(objective, observer) watched by w when there is one: every objective evaluation is
// counted and every iteration shown to it, its number after the first iterations (a run that
// minimises again after it moved a chamber's pressure counts on), and it hears of a failure
// before that passes on (the caller finishes it). A halt prints the console's failure line.
// Either way the results follow the latest iterate.
template <class Objective, class Method>
nlp::minimiser_result watched(model& m, Objective& objective, watch* w, Method&& method,
                              std::int32_t first = 0) {
    const auto counted_on = [first](nlp::iteration_state state) {
        state.iteration = state.iteration + first;
        return state;
    };
    if (w == nullptr) {
        try {
            return method(objective, [&](const nlp::iteration_state& state) {
                note_iterate(m, counted_on(state));
            });
        } catch (const nlp::halt&) {
            print_line_search_failure();
            throw;
        }
    }
    auto counted = [&](std::int32_t k, const terms::real_vector& x, terms::real_vector& g,
                       nlp::slope_request along = {}) {
        w->count();
        return objective(k, x, g, along);
    };
    try {
        return method(counted, [&](const nlp::iteration_state& state) {
            note_iterate(m, counted_on(state));
            w->observe(counted_on(state));
        });
    } catch (const nlp::halt&) {
        w->fail();
        print_line_search_failure();
        throw;
    } catch (...) {
        w->fail();
        throw;
    }
}

// Runs solve(watch*) under a watch of its own when the options ask for one (with the chambers of
// gauge, when given, in its history).
template <class Solve>
nlp::minimiser_result under_watch(const model& m, const options& o, Solve&& solve,
                                  const chamber_gauge* gauge = nullptr) {
    std::optional<watch> w;
    if (watch::wanted(o)) w.emplace(o, m.results.tolerance, gauge);
    const nlp::minimiser_result result = solve(w ? &*w : nullptr);
    if (w) w->finish();
    return result;
}

// Limited-memory BFGS over the model's unknowns from the x it holds, watched by w when there is
// one; x and gradient are updated in place.
template <class Objective>
nlp::minimiser_result lbfgs_from_x(model& m, Objective& objective, watch* w,
                                   std::int32_t first = 0) {
    return watched(
        m, objective, w,
        [&m](auto& f, auto&& observe) {
            nlp::minimiser minimiser(f);
            return minimiser.lbfgs(lbfgs_settings_of(m), m.numbering.unknown_count, m.unknowns.x,
                                   m.unknowns.gradient, observe);
        },
        first);
}

// Minimises objective over the model's unknowns from their starting values, watched as the
// options ask; x and gradient are updated in place, and the results hold the latest iterate's
// count and energy.
template <class Objective>
nlp::minimiser_result minimise(model& m, Objective& objective, const options& o) {
    return under_watch(m, o, [&](watch* w) { return lbfgs_from_x(m, objective, w); });
}

}  // namespace sheet
