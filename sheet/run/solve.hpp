// The run's solve: the method the command line chose, limited-memory BFGS (the default, the
// original path) or Newton's method, from the model's unknowns to its equilibrium. One call
// solves the model as it stands, from the x it holds.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

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

// The method o names, ready to solve the model from the x it holds, as often as a run in load
// steps asks: Newton's system (its pattern and the factor's analysis) is made at the first solve
// and kept for the next; the first also starts Newton's path from the prescribed displacements
// extended over the sheet.
template <class Program, class Objective>
class solver {
public:
    using model_type = typename Program::model_type;

    // m, plan and objective must outlive the solver.
    solver(model_type& m, assembly_plan& plan, Objective& objective, const options& o)
        : m_(m), plan_(plan), objective_(objective), method_(o.method) {}

    // Solves from x, watched by w when there is one.
    nlp::minimiser_result operator()(watch* w) {
        if (method_ == method::lbfgs) return lbfgs_from_x(m_, objective_, w);
        const auto start = std::chrono::steady_clock::now();
        double setup = 0.0, extended = 0.0;
        if (!newton_) {
            newton_.emplace(m_, plan_, newton_choice_of_environment());
            setup = seconds_since(start);
            newton_->extend_prescribed(m_.unknowns.x);
            extended = seconds_since(start) - setup;
        }
        const nlp::minimiser_result result = watched(m_, objective_, w, [&](auto& f, auto&& observe) {
            return nlp::newton(f, *newton_, newton_settings_of(m_), m_.numbering.unknown_count,
                               m_.unknowns.x, m_.unknowns.gradient, observe);
        });
        if (const char* split = std::getenv("SHEET_NEWTON_SPLIT");
            split != nullptr && split[0] == '1')
            print_split(seconds_since(start), setup, extended);
        return result;
    }

private:
    // The Newton run's time split, on standard error.
    void print_split(double total, double setup, double extended) const {
        const step_counts& c = newton_->counts();
        const double in_directions =
            newton_->split().assembly_seconds + c.factor_seconds + c.solve_seconds;
        std::fprintf(stderr,
                     "newton split: total %.3f s, pattern and analysis %.3f s, start %.3f s, "
                     "assembly %.3f s, %lld "
                     "factorisations (+%lld failed) %.3f s, %lld CG solves (%lld iterations) + "
                     "direct solves %.3f s, line search %.3f s\n",
                     total, setup, extended, newton_->split().assembly_seconds,
                     static_cast<long long>(c.factorisations),
                     static_cast<long long>(c.failed_factorisations), c.factor_seconds,
                     static_cast<long long>(c.cg_solves), static_cast<long long>(c.cg_iterations),
                     c.solve_seconds, total - setup - extended - in_directions);
    }

    model_type& m_;
    assembly_plan& plan_;
    Objective& objective_;
    method method_;
    std::optional<newton_system<Program>> newton_;
};

// Solves the model from its x by the method o names, watched as o asks.
template <class Program, class Objective>
nlp::minimiser_result solve(typename Program::model_type& m, assembly_plan& plan,
                            Objective& objective, const options& o) {
    solver<Program, Objective> by(m, plan, objective, o);
    return under_watch(m, o, by);
}

}  // namespace sheet
