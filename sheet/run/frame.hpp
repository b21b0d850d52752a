// The run frame both programs share: the command line, the directory, the threads, the fixed
// sequence of stages and the console summary, with one line on standard error and exit status
// 1 for any failure. Each program supplies its own stages (see dorvan/program.hpp).
#pragma once

#include <cstdint>

#include "nlp/slope.hpp"
#include "sheet/assembly/assembly_plan.hpp"
#include "sheet/assembly/worker_pool.hpp"
#include "sheet/output/autocad.hpp"
#include "sheet/output/finite.hpp"
#include "sheet/output/run_outputs.hpp"
#include "sheet/output/vtu.hpp"
#include "sheet/run/command_line.hpp"
#include "sheet/run/minimise.hpp"
#include "sheet/run/run_stages.hpp"
#include "sheet/run/solve.hpp"
#include "sheet/run/steps.hpp"
#include "sheet/run/vtu_stage.hpp"

namespace sheet {

// A whole run of Program: input, start, the deck, the minimisation and its summary, the CAD
// script, the final state, the report and, when asked, the .vtu (also after a halted line
// search); then the warning of inverted triangles. Program gives model_type, text and the stages
// input, start, ansys, objective, find_final_state, output and law_fields.
template <class Program>
int run(int argc, const char* const* argv) {
    options o;
    if (const auto status = parse_command_line(Program::text, argc, argv, o)) return *status;
    if (const auto status =
            refuse_irregular_outputs(Program::text.name, o.directory, {o.vtu, o.history, o.steps}))
        return *status;
    return run_stages(Program::text.name, [&] {
        enter_directory(o);
        prepare_run_outputs({o.vtu, o.history, o.steps});
        if (o.threads > 0) set_worker_count(o.threads);
        typename Program::model_type m;
        Program::input(m);
        apply_tolerance_factor(m, o);
        {
            assembly_plan plan = Program::start(m);
            Program::ansys(m);
            auto objective = [&m, &plan](std::int32_t n, const terms::real_vector& x,
                                         terms::real_vector& g, nlp::slope_request along = {}) {
                return Program::objective(m, plan, n, x, g, along);
            };
            solver<Program, decltype(objective)> by(m, plan, objective, o);
            nlp::minimiser_result result{};
            try {
                result = o.steps > 1 ? minimise_in_steps<Program>(m, o, by)
                                     : under_watch(m, o, by);
            } catch (const nlp::halt&) {
                write_vtu_after_halt<Program>(m, o);
                throw;
            }
            m.results.minor = result.minor;
            m.results.energy = result.energy;
            m.results.optimal = result.optimal;
        }
        require_finite_solution(m);
        print_summary(m.results.minor, m.results.optimal);
        autocad(m);
        Program::find_final_state(m);
        Program::output(m);
        if (!o.vtu.empty()) {
            const vtu_header header = vtu_header_of<Program>(
                m, m.results.optimal ? run_status::optimal : run_status::not_optimal);
            vtu(o.vtu, m, header);
            if (o.steps > 1) write_series_step(o.vtu, m, header);
        }
        warn_of_inverted_triangles(Program::text.name, m.results.rows);
    });
}

}  // namespace sheet
