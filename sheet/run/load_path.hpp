// The load factors of a run in load steps: N equal steps to begin with; a step that fails is
// tried again from the last one that held with half the increment, down to 1/64 of the first;
// after an easy step the increment doubles again, never beyond the first; the last step lands on
// the load factor 1 exactly. Also what the run says when the loads cannot be raised any further.
#pragma once

#include <cstdint>
#include <string>

#include "sheet/model/model.hpp"
#include "sheet/run/command_line.hpp"

namespace sheet {

class load_path {
public:
    // The smallest increment is the first one over this: a factor grid 64 times finer than the
    // planned steps places the last load that held to 1/64 of a step, at the cost of at most
    // six failed tries between two steps that hold.
    static constexpr std::int32_t finest = 64;

    // steps (>= 1) equal steps planned.
    explicit load_path(std::int32_t steps);

    // Whether the full loads have been reached.
    bool done() const { return held_ == total_; }
    // The number of the step tried next: one more than the steps that held.
    std::int32_t step() const { return accepted_ + 1; }
    // Whether every step so far held at its planned increment, so that the step tried next is
    // step k of N at the factor k / N.
    bool on_plan() const { return on_plan_; }
    // The load factor of the step tried next, and that of the last step that held (0 before
    // the first).
    double factor() const;
    double held_factor() const;
    // The increment of the step tried next, as a load factor, and as a fraction of the first.
    double increment() const;
    std::int32_t increment_in_finest() const { return increment_; }

    // The load state of the step tried next: problem p's loads, prescribed values and pressures
    // times factor(), with step() as its number and the planned count.
    load_state state(const problem& p) const;

    // The step tried has held; easy says it met the test in few iterations (easy_step), which
    // doubles an increment that was cut back, up to the first.
    void accept(bool easy);
    // The step tried has failed: halves the increment and returns true, or returns false, the
    // path unchanged, when the increment is already the smallest.
    bool cut_back();

private:
    std::int32_t target() const;

    std::int32_t count_;      // N, the steps planned
    std::int32_t total_;      // the full loads in units of the smallest increment
    std::int32_t held_ = 0;   // the last load that held, in those units
    std::int32_t increment_;  // the increment of the next step, in those units
    std::int32_t accepted_ = 0;
    bool on_plan_ = true;
};

// Whether a step that held in minor iterations was easy, so that a cut increment may grow
// again: Newton's method converges in a handful of iterations from a close start, so at most 6
// of them; L-BFGS's count grows with the mesh, so at most a quarter of the iteration limit.
bool easy_step(method by, std::int32_t minor, std::int32_t max_iterations);

// How a run in steps that did not reach the full loads ended.
struct load_path_end {
    bool held_any = false;         // some step held
    double held_factor = 0.0;      // the load factor of the last step that held
    double tried_factor = 0.0;     // that of the last step tried, at the smallest increment
    bool not_optimal = false;      // that step ended NOT Optimal (else its line search failed)
    bool iteration_limit = false;  // it did so at the iteration limit (else a step changed
                                   // nothing: the stopping test lies below the round-off)
};

// The pressures of load at problem p (its follower pressures and pressure-controlled chambers)
// in words, for a person: "" without pressures, "pressure
// 0.0124" for one value, "pressures 0.01 and -0.002" for up to three, else "largest |pressure|
// 0.0124"; each in 6 significant digits.
std::string pressures_in_words(const problem& p, const load_state& load);

// The one line that ends a run whose loads could not be raised any further: the last load that
// held (with its pressures, held_pressures, in words), the step that failed, what may have
// happened and what to try (past a pressure maximum: a chamber under volume control), and where
// the last equilibrium was written.
std::string limit_message(const load_path_end& end, const std::string& held_pressures);

// The note output.txt ends with when it holds the last equilibrium reached rather than that of
// the full loads.
std::string last_equilibrium_note(const load_path_end& end, const std::string& held_pressures);

}  // namespace sheet
