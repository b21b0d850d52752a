// The run frame both programs share: the command line, the directory, the threads, the fixed
// sequence of stages and the console summary, with one line on standard error and exit status
// 1 for any failure. A program gives its kinematics (see sheet/membrane/kinematics.hpp).
#pragma once

#include "sheet/assembly/worker_pool.hpp"
#include "sheet/membrane/program.hpp"
#include "sheet/output/autocad.hpp"
#include "sheet/output/finite.hpp"
#include "sheet/output/run_outputs.hpp"
#include "sheet/output/series.hpp"
#include "sheet/output/vtu.hpp"
#include "sheet/run/command_line.hpp"
#include "sheet/run/minimise.hpp"
#include "sheet/run/run_stages.hpp"
#include "sheet/run/solve.hpp"
#include "sheet/run/steps.hpp"
#include "sheet/run/timings.hpp"
#include "sheet/run/vtu_stage.hpp"

namespace sheet {

// A whole run of the program of kinematics K: input, start, the deck, the minimisation (in load
// steps when asked) and its summary, the final state, the CAD script, the report and, when
// asked, the .vtu (also after a halted line search); then the warning of inverted triangles and,
// with --timings, the time split.
template <kinematics K>
int run(int argc, const char* const* argv) {
    using program = membrane<K>;
    options o;
    if (const auto status = parse_command_line(K::text, argc, argv, o)) return *status;
    if (const auto status =
            refuse_irregular_outputs(K::text.name, o.directory, {o.vtu, o.history, o.steps}))
        return *status;
    return run_stages(K::text.name, [&] {
        run_timings clock(o.timings);
        enter_directory(o);
        prepare_run_outputs({o.vtu, o.history, o.steps});
        if (o.threads > 0) set_worker_count(o.threads);
        hold_library_threads();
        typename program::model_type m;
        program::input(m);
        clock.mark("input");
        started<K> s = program::start(m, tolerance_factor_of(m.problem, o.tolerance_factor));
        clock.mark("start");
        program::ansys(m);
        clock.mark("deck");
        load_state now;  // the full loads, until a run in steps moves it
        objective_of<membrane_terms<K>> objective{m, s.plan, s.terms, now};
        solver<membrane_terms<K>, decltype(objective)> by(m, s.plan, s.terms, now, objective, o);
        const auto final_state = [&] { program::find_final_state(m, s, now); };
        nlp::minimiser_result result{};
        try {
            result = o.steps > 1
                         ? minimise_in_steps(m, o, vtu_header_of<K>(m, run_status::optimal), now,
                                             by, [&](const load_state&) { final_state(); })
                         : under_watch(m, o, by);
        } catch (const nlp::halt&) {
            write_vtu_after_halt<K>(m, o, final_state);
            throw;
        }
        m.results.minor = result.minor;
        m.results.energy = result.energy;
        m.results.optimal = result.optimal;
        if (const auto newton = by.newton_timings()) clock.set_newton(*newton);
        clock.mark("solve");
        require_finite_solution(m);
        print_summary(m.results.minor, m.results.optimal);
        final_state();
        clock.mark("final state");
        autocad(m);
        program::output(m);
        if (!o.vtu.empty()) {
            const vtu_header header = vtu_header_of<K>(
                m, m.results.optimal ? run_status::optimal : run_status::not_optimal);
            vtu(o.vtu, m, header, step_fields(m, o));
            if (o.steps > 1) write_series_step(o.vtu, m, header, step_fields(m, o));
        }
        clock.mark("files");
        warn_of_inverted_triangles(K::text.name, m.results.rows);
        clock.print(K::text.name);
    });
}

}  // namespace sheet
