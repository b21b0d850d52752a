// The Newton step's linear system made positive definite and solved: the assembled (projected)
// Hessian H plus a shift tau S shaped like a fictitious isotropic tension, raised tenfold from
// small until the factorisation succeeds and lowered tenfold after each step taken whole; solved
// by conjugate gradients preconditioned with the latest factor while that takes few iterations,
// refactorised otherwise and after a step the line search had to shorten.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "sheet/solve/cholesky.hpp"
#include "sheet/solve/symmetric_matrix.hpp"

namespace sheet {

// The rule's constants, as measured (bench/RESULTS.md, "Newton's method").
struct step_rule {
    double first_shift = 1e-6;   // tau tried first when H alone does not factorise
    double largest_shift = 1e8;  // beyond it the system is given up
    int cg_limit = 8;            // CG iterations before a refactorisation
    double cg_relative = 1e-6;   // CG's bound on |r| / |g|
};

// What the system did over a run, for the time split of the benchmarks.
struct step_counts {
    std::int64_t factorisations = 0;         // successful numeric factorisations
    std::int64_t failed_factorisations = 0;  // not positive definite: the shift was raised
    std::int64_t cg_solves = 0;              // directions found by CG with an older factor
    std::int64_t cg_iterations = 0;
    double factor_seconds = 0.0;
    double solve_seconds = 0.0;  // CG and the factor's own solves
};

class step_system {
public:
    // shape: the matrix's pattern; shift: S's value at every stored entry.
    step_system(const symmetric_matrix& shape, std::vector<double> shift, step_rule rule = {});

    // d = -(H + tau S)^-1 g for the Hessian values h (one per stored entry). Fails (a halt of
    // the minimiser) when no shift up to the largest makes the matrix positive definite.
    void direction(const std::vector<double>& h, std::span<const double> g, std::span<double> d);

    // The line search took step along the last direction.
    void step_taken(double step);

    // x = a^-1 b for a of the same pattern, factorised here; false when a is not positive
    // definite. The next direction then factorises afresh.
    bool solve_once(const std::vector<double>& a, std::span<const double> b, std::span<double> x);

    double shift() const { return tau_; }
    const std::vector<double>& shift_values() const { return shift_; }
    const step_counts& counts() const { return counts_; }

private:
    void form(const std::vector<double>& h);  // matrix_ := h + tau shift_
    bool factorise();

    symmetric_matrix matrix_;
    std::vector<double> shift_;
    step_rule rule_;
    cholesky factor_;
    double tau_ = 0.0;
    bool refactor_ = true;
    step_counts counts_;
};

}  // namespace sheet
