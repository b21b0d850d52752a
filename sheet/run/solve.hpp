// The run's solve: the method the command line chose, limited-memory BFGS (the default, the
// original path) or Newton's method, from the model's unknowns to its equilibrium. One call
// solves the model as it stands, from the x it holds.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "nlp/newton.hpp"
#include "sheet/assembly/assembly_plan.hpp"
#include "sheet/run/command_line.hpp"
#include "sheet/run/minimise.hpp"
#include "sheet/run/newton_system.hpp"

namespace sheet {

// --tolerance-factor replaces the file's factor, for either method, before start forms the
// tolerance from it.
inline void apply_tolerance_factor(model& m, const options& o) {
    if (o.tolerance_factor > 0.0) m.problem.settings.tolerance_factor = o.tolerance_factor;
}

// Newton's settings from the model: its iteration limit and tolerance, its own line search.
inline nlp::newton_settings newton_settings_of(const model& m) {
    return {.max_iterations = m.problem.settings.max_iterations,
            .tolerance = m.results.tolerance,
            .search = {}};
}

// The benchmarks' switches (bench/newton_compare.sh): SHEET_NEWTON_PROJECT=0 leaves the element
// Hessians unprojected; SHEET_NEWTON_SPLIT=1 prints the time split on standard error.
inline newton_choice newton_choice_of_environment() {
    newton_choice choice;
    const char* project = std::getenv("SHEET_NEWTON_PROJECT");
    if (project != nullptr && project[0] == '0') choice.project = false;
    return choice;
}

inline double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

template <class Program, class Objective>
nlp::minimiser_result solve_by_newton(typename Program::model_type& m, assembly_plan& plan,
                                      Objective& objective, const options& o) {
    const auto start = std::chrono::steady_clock::now();
    newton_system<Program> system(m, plan, newton_choice_of_environment());
    const double setup = seconds_since(start);
    system.extend_prescribed(m.unknowns.x);
    const double extended = seconds_since(start) - setup;
    const nlp::minimiser_result result = watched(m, objective, o, [&](auto& f, auto&& observe) {
        return nlp::newton(f, system, newton_settings_of(m), m.numbering.unknown_count,
                           m.unknowns.x, m.unknowns.gradient, observe);
    });
    if (const char* split = std::getenv("SHEET_NEWTON_SPLIT");
        split != nullptr && split[0] == '1') {
        const double total = seconds_since(start);
        const step_counts& c = system.counts();
        const double in_directions =
            system.split().assembly_seconds + c.factor_seconds + c.solve_seconds;
        std::fprintf(stderr,
                     "newton split: total %.3f s, pattern and analysis %.3f s, start %.3f s, "
                     "assembly %.3f s, %lld "
                     "factorisations (+%lld failed) %.3f s, %lld CG solves (%lld iterations) + "
                     "direct solves %.3f s, line search %.3f s\n",
                     total, setup, extended, system.split().assembly_seconds,
                     static_cast<long long>(c.factorisations),
                     static_cast<long long>(c.failed_factorisations), c.factor_seconds,
                     static_cast<long long>(c.cg_solves), static_cast<long long>(c.cg_iterations),
                     c.solve_seconds, total - setup - extended - in_directions);
    }
    return result;
}

// Solves the model from its x by the method o names.
template <class Program, class Objective>
nlp::minimiser_result solve(typename Program::model_type& m, assembly_plan& plan,
                            Objective& objective, const options& o) {
    if (o.method == method::newton) return solve_by_newton<Program>(m, plan, objective, o);
    return minimise(m, objective, o);
}

}  // namespace sheet
