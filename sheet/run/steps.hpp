// A run in load steps: the loads, pressures and prescribed displacements scaled by the load
// factor of each step (load_path.hpp: k / N while every step holds; a step that fails is tried
// again from the last that held with half the increment), each step minimised from the solution
// of the one that held before it, with its lines on the console and, with --vtu, its file of the
// ParaView series.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "nlp/halt.hpp"
#include "sheet/model/loading.hpp"
#include "sheet/output/series.hpp"
#include "sheet/run/load_path.hpp"
#include "sheet/run/minimise.hpp"
#include "sheet/run/run_stages.hpp"
#include "sheet/run/vtu_stage.hpp"

namespace sheet {

// "Step k/N, load factor f" after an empty line while the steps keep to their plan, "Step k,
// load factor f" once one was cut back; f in the shortest text that reads back.
inline void print_step(const load_state& step, bool on_plan = true) {
    char factor[32];
    *std::to_chars(factor, factor + sizeof factor - 1, step.factor).ptr = '\0';
    if (on_plan)
        std::printf("\nStep %d/%d, load factor %s\n", static_cast<int>(step.number),
                    static_cast<int>(step.count), factor);
    else
        std::printf("\nStep %d, load factor %s\n", static_cast<int>(step.number), factor);
    std::fflush(stdout);
}

// The line after a step that failed and is tried again: "Step k did not hold; its increment is
// halved to d".
inline void print_cut_back(std::int32_t step, double increment) {
    char text[32];
    *std::to_chars(text, text + sizeof text - 1, increment).ptr = '\0';
    std::printf("Step %d did not hold; its increment is halved to %s\n", static_cast<int>(step),
                text);
    std::fflush(stdout);
}

// How a run in steps ended: the full loads reached, with the last step's result, whose summary
// and files the run frame writes as for a single run; or not, with end saying how far it came.
// Then x holds the last equilibrium reached, result and the model's results its count and energy
// and held its load state; or, when no step held, x and the model's results hold the last
// iterate of the last step tried, at the load state now.
struct stepped_run {
    nlp::minimiser_result result{};
    bool reached = true;
    load_path_end end;
    load_state held;
};

// Minimises step after step by minimise_step(watch*) (a solver of solve.hpp, from the x the step
// before left, under the load state now, which this moves to each step), along the load path of
// o.steps steps. A step that holds prints its summary and, with --vtu, adds its file to the
// series from the final state that final_state(now) finds (the last step's is left to the run
// frame); in a problem with chambers (gauge), their lines follow the summary, and the history
// has their columns. A step that fails (a halt of the minimiser, or a result that does not meet the
// stopping test) prints its failure, x goes back to exactly what it was when the last step
// held, and the step is tried again with half the increment; one that fails at the smallest
// increment ends the steps. The history holds every step tried.
template <class Step, class FinalState>
stepped_run minimise_in_steps(model& m, const options& o, const vtu_header& header, load_state& now,
                              std::optional<series>& files, Step&& minimise_step,
                              FinalState&& final_state, const chamber_gauge* gauge = nullptr) {
    std::optional<watch> w;
    if (watch::wanted(o)) {
        w.emplace(o, m.results.tolerance, gauge);
        w->keep_open();
    }
    const std::int32_t n = m.numbering.unknown_count;
    const auto x = [&] { return m.unknowns.x.view(1, n); };
    std::vector<double> held_x(x().begin(), x().end());
    stepped_run out;
    nlp::minimiser_result held_result{};
    load_path path(o.steps);
    try {
        while (!path.done()) {
            now = path.state(m.problem);
            print_step(now, path.on_plan());
            if (w) w->begin_step(now.number, now.factor);
            bool halted = false;
            try {
                out.result = minimise_step(w ? &*w : nullptr);
            } catch (const nlp::halt&) {
                halted = true;
            }
            if (w) w->end_step();
            if (!halted && out.result.optimal) {
                if (now.factor == 1.0) break;
                m.results.minor = out.result.minor;
                m.results.energy = out.result.energy;
                m.results.optimal = true;
                print_summary(out.result.minor, true);
                if (gauge != nullptr && !gauge->numbers.empty()) print_chambers(gauge->read(x()));
                if (files) {
                    final_state(now);
                    files->add(m, header, step_fields(m, o));
                }
                std::copy(x().begin(), x().end(), held_x.begin());
                held_result = out.result;
                out.held = copy_of(now);
                out.end.held_any = true;
                out.end.held_factor = now.factor;
                path.accept(
                    easy_step(o.method, out.result.minor, m.problem.settings.max_iterations));
                continue;
            }
            if (!halted) print_summary(out.result.minor, false);
            out.end.tried_factor = now.factor;
            out.end.not_optimal = !halted;
            out.end.iteration_limit =
                !halted && out.result.minor >= m.problem.settings.max_iterations;
            if (!path.cut_back()) {
                out.reached = false;
                break;
            }
            print_cut_back(path.step(), path.increment());
            std::copy(held_x.begin(), held_x.end(), x().begin());
        }
    } catch (...) {
        if (w) w->close_after_failure();
        throw;
    }
    if (!out.reached && out.end.held_any) {
        std::copy(held_x.begin(), held_x.end(), x().begin());
        out.result = held_result;
        m.results.minor = held_result.minor;
        m.results.energy = held_result.energy;
        m.results.optimal = true;
    }
    if (w) w->finish();
    return out;
}

}  // namespace sheet
