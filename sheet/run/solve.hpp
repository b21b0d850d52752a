// The run's solve: the method the command line chose, limited-memory BFGS (the default, the
// original path) or Newton's method, from the model's unknowns to its equilibrium. One call
// solves the model as it stands, from the x it holds, under the load state the run has reached.
#pragma once

#include <malloc.h>

#include <chrono>
#include <optional>

#include "nlp/newton.hpp"
#include "sheet/assembly/assembly_plan.hpp"
#include "sheet/run/command_line.hpp"
#include "sheet/run/minimise.hpp"
#include "sheet/run/timings.hpp"
#include "sheet/solve/newton_system.hpp"

namespace sheet {

// Newton's settings from the model: its iteration limit and tolerance, its own line search.
inline nlp::newton_settings newton_settings_of(const model& m) {
    return {.max_iterations = m.problem.settings.max_iterations,
            .tolerance = m.results.tolerance,
            .search = {}};
}

// The method o names, ready to solve the model from the x it holds, as often as a run in load
// steps asks: Newton's system (its pattern and the factor's analysis) is made at the first solve
// and kept for the next; the first also starts Newton's path from the prescribed displacements
// extended over the sheet.
template <class Terms, class Objective>
class solver {
public:
    // Everything given must outlive the solver; load is the run's load state, which it moves.
    solver(model& m, assembly_plan& plan, Terms& terms, const load_state& load,
           Objective& objective, const options& o, newton_choice choice = {})
        : m_(m),
          plan_(plan),
          terms_(terms),
          load_(load),
          objective_(objective),
          method_(o.method),
          choice_(choice) {}

    // Solves from x, watched by w when there is one: minimises, and while a term's constraint
    // (a chamber's volume) does not hold, moves its multiplier and minimises again, at most
    // multiplier_rounds times; the iterations of all count.
    nlp::minimiser_result operator()(watch* w) {
        nlp::minimiser_result result{};
        std::int32_t iterations = 0;
        for (int round = 1;; ++round) {
            result = once(w, iterations);
            iterations = iterations + result.minor;
            result.minor = iterations;
            if (!result.optimal) break;
            const term_point p{m_.problem, plan_, load_,
                               m_.unknowns.x.view(1, m_.numbering.unknown_count)};
            if (terms_.constraints_held(p, m_.results.tolerance)) break;
            if (round == multiplier_rounds) {
                result.optimal = false;
                break;
            }
            terms_.update_multipliers(p);
        }
        return result;
    }

    // Where Newton's time went, when it ran.
    std::optional<newton_times> newton_timings() const {
        if (!newton_) return std::nullopt;
        newton_times out = times_;
        const step_counts& c = newton_->counts();
        out.assembly = newton_->split().assembly_seconds;
        out.factorisations = c.factorisations;
        out.failed_factorisations = c.failed_factorisations;
        out.factor = c.factor_seconds;
        out.cg_solves = c.cg_solves;
        out.cg_iterations = c.cg_iterations;
        out.solve = c.solve_seconds;
        return out;
    }

    // Hands back Newton's matrices and factor once the run has nothing more to solve (its
    // timings read): the final state and the files need none of them.
    void release() { newton_.reset(); }

private:
    // The most minimisations between moves of the multipliers before the run gives up holding
    // the constraints.
    static constexpr int multiplier_rounds = 50;

    // One minimisation by the method, its iterations counted on from first.
    nlp::minimiser_result once(watch* w, std::int32_t first) {
        if (method_ == method::lbfgs) return lbfgs_from_x(m_, objective_, w, first);
        const auto start = std::chrono::steady_clock::now();
        if (!newton_) {
            // Newton's arrays are large, short-lived and made on any thread: taken from the
            // system directly (from 1 MiB up, a fixed bound) they go back to it when freed,
            // instead of staying in one thread's pool beside the factor (glibc).
            mallopt(M_MMAP_THRESHOLD, 1 << 20);
            // the system's making (its pattern, the factor's ordering and, beside it, the
            // start) and the factor's analysis count as set-up; taking the start into x as the
            // start's
            newton_.emplace(m_, plan_, terms_, load_, choice_);
            times_.setup += seconds_since(start);
            const auto extension = std::chrono::steady_clock::now();
            const double analysis = newton_->extend_prescribed(m_.unknowns.x);
            times_.setup += analysis;
            times_.start += seconds_since(extension) - analysis;
        }
        const nlp::minimiser_result result = watched(
            m_, objective_, w,
            [&](auto& f, auto&& observe) {
                return nlp::newton(f, *newton_, newton_settings_of(m_), m_.numbering.unknown_count,
                                   m_.unknowns.x, m_.unknowns.gradient, observe);
            },
            first);
        times_.total += seconds_since(start);
        return result;
    }

    model& m_;
    assembly_plan& plan_;
    Terms& terms_;
    const load_state& load_;
    Objective& objective_;
    method method_;
    newton_choice choice_;
    std::optional<newton_system<Terms>> newton_;
    newton_times times_;
};

// Solves the model from its x by the method o names, under load, watched as o asks.
template <class Terms, class Objective>
nlp::minimiser_result solve(model& m, assembly_plan& plan, Terms& terms, const load_state& load,
                            Objective& objective, const options& o, newton_choice choice = {}) {
    solver<Terms, Objective> by(m, plan, terms, load, objective, o, choice);
    return under_watch(m, o, by);
}

}  // namespace sheet
