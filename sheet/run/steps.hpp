// A run in load steps: the loads, pressures and prescribed displacements scaled by k / N for
// k = 1 ... N, each step minimised from the solution of the one before, with its line on the
// console and, with --vtu, its file of the ParaView series.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "sheet/model/loading.hpp"
#include "sheet/output/series.hpp"
#include "sheet/run/minimise.hpp"
#include "sheet/run/run_stages.hpp"
#include "sheet/run/vtu_stage.hpp"

namespace sheet {

// "Step k/N, load factor f" after an empty line, f in the shortest text that reads back.
inline void print_step(const load_state& step) {
    char factor[32];
    *std::to_chars(factor, factor + sizeof factor - 1, step.factor).ptr = '\0';
    std::printf("\nStep %d/%d, load factor %s\n", static_cast<int>(step.number),
                static_cast<int>(step.count), factor);
    std::fflush(stdout);
}

// Minimises step after step by minimise_step(watch*) (a solver of solve.hpp, from the x the
// step before left, under the load state now, which this moves to each step) until the last
// step, or until one does not meet the stopping test, and returns that step's result, whose
// summary and files the run frame writes as for a single run. Every step before it prints its
// summary and, with --vtu, writes its file of the series and the collection, from the final
// state that final_state(now) finds. A line search failure ends the steps with what they have
// written.
template <class Step, class FinalState>
nlp::minimiser_result minimise_in_steps(model& m, const options& o, const vtu_header& header,
                                        load_state& now, Step&& minimise_step,
                                        FinalState&& final_state) {
    std::optional<watch> w;
    if (watch::wanted(o)) w.emplace(o, m.results.tolerance);
    nlp::minimiser_result result;
    for (std::int32_t k = 1; k <= o.steps; ++k) {
        now = load_state_at(m.problem, k, o.steps);
        print_step(now);
        if (w) w->begin_step(k, now.factor);
        result = minimise_step(w ? &*w : nullptr);
        if (w) w->end_step();
        if (k == o.steps || !result.optimal) break;
        m.results.minor = result.minor;
        m.results.energy = result.energy;
        m.results.optimal = result.optimal;
        print_summary(result.minor, result.optimal);
        if (!o.vtu.empty()) {
            final_state(now);
            write_series_step(o.vtu, m, header, step_fields(m, o));
        }
    }
    if (w) w->finish();
    return result;
}

}  // namespace sheet
