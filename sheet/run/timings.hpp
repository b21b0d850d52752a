// The time split of a run, shown on standard error at its end when --timings asks for it: the
// stages of the run, and for Newton's method where its time went. It only reads clocks, so it
// cannot change a number of the run.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace sheet {

// What Newton's method spent, summed over the run (over every load step).
struct newton_times {
    double setup = 0.0;     // the matrix's pattern and the factor's analysis
    double start = 0.0;     // the extension of the prescribed displacements
    double assembly = 0.0;  // element Hessians, projection and the sums of the entries
    std::int64_t factorisations = 0, failed_factorisations = 0;
    double factor = 0.0;
    std::int64_t cg_solves = 0, cg_iterations = 0;
    double solve = 0.0;  // CG and the factor's own solves
    double total = 0.0;  // the whole of Newton's solves
};

class run_timings {
public:
    using clock = std::chrono::steady_clock;

    // Marks the start of the run. Nothing is printed unless wanted.
    explicit run_timings(bool wanted) : wanted_(wanted), last_(clock::now()), first_(last_) {}

    bool wanted() const { return wanted_; }
    // The time since the last mark (or the start) belongs to stage.
    void mark(const char* stage);
    // Newton's split, when the run solved by it.
    void set_newton(const newton_times& times) {
        newton_ = times;
        has_newton_ = true;
    }

    // "<program>: timings: input 0.012 s, start ..., total 1.234 s", and Newton's split on a
    // second line; nothing unless wanted.
    void print(const char* program) const;

private:
    bool wanted_;
    clock::time_point last_, first_;
    std::vector<std::pair<std::string, double>> stages_;
    newton_times newton_;
    bool has_newton_ = false;
};

// Seconds from start to now.
inline double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace sheet
