// The run's minimisation step, shared by both programs: limited-memory BFGS on the model's
// unknowns with the model's settings, watched by the progress line and the history when the
// options ask for them.
#pragma once

#include <cstdint>

#include "nlp/halt.hpp"
#include "nlp/qn.hpp"
#include "sheet/model/model.hpp"
#include "sheet/run/command_line.hpp"
#include "sheet/run/watch.hpp"

namespace sheet {

// The minimisation under watch: every objective evaluation is counted and every iteration
// shown to w, which also hears of a failure before it passes on.
template <class Objective>
nlp::qn_result watched_lbfgs(model& m, Objective& objective, watch& w) {
    auto counted = [&](std::int32_t k, const terms::real_vector& x, terms::real_vector& g,
                       nlp::slope_request along = {}) {
        w.count();
        return objective(k, x, g, along);
    };
    const solver_settings& s = m.problem.settings;
    nlp::qn<decltype(counted)> qn(counted);
    try {
        return qn.lbfgs(s.memory_size, m.numbering.unknown_count, s.max_iterations,
                        s.search_limit, m.results.tolerance, s.search_factor, m.unknowns.x,
                        m.unknowns.gradient,
                        [&w](const nlp::iteration_state& state) { w.observe(state); });
    } catch (const nlp::halt&) {
        w.fail(true);
        throw;
    } catch (...) {
        w.fail(false);
        throw;
    }
}

// Minimises objective over the model's unknowns from their starting values; x and gradient are
// updated in place.
template <class Objective>
nlp::qn_result minimise(model& m, Objective& objective, const options& o) {
    if (watch::wanted(o)) {
        watch w(o, m.results.tolerance);
        const nlp::qn_result result = watched_lbfgs(m, objective, w);
        w.finish();
        return result;
    }
    const solver_settings& s = m.problem.settings;
    nlp::qn<Objective> qn(objective);
    return qn.lbfgs(s.memory_size, m.numbering.unknown_count, s.max_iterations, s.search_limit,
                    m.results.tolerance, s.search_factor, m.unknowns.x, m.unknowns.gradient);
}

}  // namespace sheet
