// The run frame both programs share: the command line, the directory, the threads, the fixed
// sequence of stages and the console summary, with one line on standard error and exit status
// 1 for any failure. A program gives its kinematics (see sheet/membrane/kinematics.hpp).
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "sheet/assembly/worker_pool.hpp"
#include "sheet/failure.hpp"
#include "sheet/membrane/program.hpp"
#include "sheet/model/rigid_motion.hpp"
#include "sheet/output/autocad.hpp"
#include "sheet/output/finite.hpp"
#include "sheet/output/run_outputs.hpp"
#include "sheet/output/series.hpp"
#include "sheet/output/vtu.hpp"
#include "sheet/run/command_line.hpp"
#include "sheet/run/load_path.hpp"
#include "sheet/run/minimise.hpp"
#include "sheet/run/run_stages.hpp"
#include "sheet/run/solve.hpp"
#include "sheet/run/steps.hpp"
#include "sheet/run/timings.hpp"
#include "sheet/run/vtu_stage.hpp"

namespace sheet {

// The end of a run in steps whose loads could not be raised to the full loads (stepped): with
// the last equilibrium reached in x and its load state in stepped.held, its files as a finished
// run writes them, output.txt with a note that it is the last equilibrium reached; with none,
// the .vtu of the last iterate. Then the failure that names the last load that held (and the
// rigid-body motions the supports leave free, as the one line of a failure says them).
template <kinematics K, class FinalState>
[[noreturn]] void end_short_of_full_loads(model_of<K>& m, const options& o,
                                          const rigid_freedom& rigid, stepped_run& stepped,
                                          load_state& now, FinalState&& final_state) {
    if (!stepped.end.held_any) {
        write_vtu_after_halt<K>(
            m, o, final_state,
            stepped.end.not_optimal ? run_status::not_optimal : run_status::line_search_failure);
        throw failure(with_rigid_motion(limit_message(stepped.end, ""), rigid));
    }
    now = std::move(stepped.held);
    require_finite_solution(m);
    final_state();
    autocad(m);
    const std::string pressures = pressures_in_words(m.problem, now);
    output(m, K::thickness_column, last_equilibrium_note(stepped.end, pressures));
    if (!o.vtu.empty()) vtu(o.vtu, m, vtu_header_of<K>(m, run_status::optimal), step_fields(m, o));
    throw failure(with_rigid_motion(limit_message(stepped.end, pressures), rigid));
}

// A whole run of the program of kinematics K: input, start, the deck, the minimisation (in load
// steps when asked) and its summary, the final state, the CAD script, the report and, when
// asked, the .vtu (also after a halted line search); then the warnings of inverted triangles and
// of rigid-body motions the supports leave free and, with --timings, the time split.
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
        const rigid_freedom rigid = free_rigid_motions(m.problem);
        load_state now;  // the full loads, until a run in steps moves it
        objective_of<membrane_terms<K>> objective{m, s.plan, s.terms, now};
        solver<membrane_terms<K>, decltype(objective)> by(m, s.plan, s.terms, now, objective, o);
        const auto final_state = [&] { program::find_final_state(m, s, now); };
        chamber_gauge gauge;
        for (const chamber& c : m.problem.chambers) gauge.numbers.push_back(c.number);
        gauge.read = [&](std::span<const double> x) {
            return s.terms.chamber_readings(term_point{m.problem, s.plan, now, x});
        };
        std::optional<series> files;
        if (o.steps > 1 && !o.vtu.empty()) files.emplace(o.vtu);
        nlp::minimiser_result result{};
        try {
            if (o.steps > 1) {
                stepped_run stepped = minimise_in_steps(
                    m, o, vtu_header_of<K>(m, run_status::optimal), now, files, by,
                    [&](const load_state&) { final_state(); }, &gauge);
                if (!stepped.reached) {
                    clock.mark("solve");
                    end_short_of_full_loads<K>(m, o, rigid, stepped, now, final_state);
                }
                result = stepped.result;
            } else {
                result = under_watch(m, o, by, &gauge);
            }
        } catch (const nlp::halt& halted) {
            write_vtu_after_halt<K>(m, o, final_state);
            if (rigid.free.empty()) throw;
            throw failure(with_rigid_motion(halted.what(), rigid));
        }
        m.results.minor = result.minor;
        m.results.energy = result.energy;
        m.results.optimal = result.optimal;
        if (const auto newton = by.newton_timings()) clock.set_newton(*newton);
        by.release();
        clock.mark("solve");
        require_finite_solution(m);
        print_summary(m.results.minor, m.results.optimal);
        final_state();
        print_chambers(m.results.chambers);
        clock.mark("final state");
        autocad(m);
        program::output(m);
        if (!o.vtu.empty()) {
            const vtu_header header = vtu_header_of<K>(
                m, m.results.optimal ? run_status::optimal : run_status::not_optimal);
            vtu(o.vtu, m, header, step_fields(m, o));
            if (files) files->add(m, header, step_fields(m, o));
        }
        clock.mark("files");
        warn_of_inverted_triangles(K::text.name, m.results.rows);
        warn_of_rigid_motion(K::text.name, rigid);
        clock.print(K::text.name);
    });
}

}  // namespace sheet
