// The Newton step's linear system made positive definite and solved: the assembled (projected)
// Hessian H plus a shift tau S shaped like a fictitious isotropic tension, raised tenfold from
// small until the factorisation succeeds, lowered tenfold after each step taken whole and raised
// by the factor a shortened step was cut by; solved by conjugate gradients preconditioned with
// the latest factor to a relative residual of 1e-2 when that takes at most ten iterations,
// refactorised otherwise and after every step the line search had to shorten.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "sheet/solve/cholesky.hpp"
#include "sheet/solve/pcg.hpp"
#include "sheet/solve/symmetric_matrix.hpp"

namespace sheet {

// The rule's constants, as measured (bench/RESULTS.md, "Newton's method").
struct step_rule {
    double first_shift = 1e-6;   // tau tried first when H alone does not factorise
    double largest_shift = 1e8;  // beyond it the system is given up
    int cg_limit = 10;           // CG iterations before a refactorisation
    double cg_relative = 1e-2;   // CG's bound on |r| / |g|: an inexact Newton step
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
    // shape: the matrix's pattern; shift: S's value at every stored entry; groups: the node of
    // each unknown, for the factor's ordering (cholesky.hpp).
    step_system(const symmetric_matrix& shape, std::vector<double> shift,
                std::span<const std::int32_t> groups, step_rule rule = {});

    // d = -(H + tau S)^-1 g for the Hessian values h (one per stored entry). Fails (a halt of
    // the minimiser) when no shift up to the largest makes the matrix positive definite.
    void direction(const std::vector<double>& h, std::span<const double> g, std::span<double> d);

    // The line search took step along the last direction.
    void step_taken(double step);

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
    std::vector<double> minus_g_;  // the right-hand side, kept between steps
    cg_work work_;
};

}  // namespace sheet
