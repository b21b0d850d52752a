// The shift and refactorisation rule of the Newton step.
#include "sheet/solve/step_system.hpp"

#include <algorithm>
#include <chrono>

#include "nlp/halt.hpp"

namespace sheet {

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

step_system::step_system(const symmetric_matrix& shape, std::vector<double> shift,
                         std::span<const std::int32_t> groups, step_rule rule)
    : matrix_(shape), shift_(std::move(shift)), rule_(rule), factor_(shape, groups) {}

void step_system::form(const std::vector<double>& h) {
    for (std::size_t k = 0; k < h.size(); ++k) matrix_.value[k] = h[k] + tau_ * shift_[k];
}

bool step_system::factorise() {
    const auto start = std::chrono::steady_clock::now();
    const bool done = factor_.factor(matrix_);
    counts_.factor_seconds += seconds_since(start);
    ++(done ? counts_.factorisations : counts_.failed_factorisations);
    return done;
}

void step_system::direction(const std::vector<double>& h, std::span<const double> g,
                            std::span<double> d) {
    std::vector<double>& minus_g = minus_g_;
    minus_g.resize(g.size());
    for (std::size_t i = 0; i < g.size(); ++i) minus_g[i] = -g[i];
    form(h);
    if (!refactor_ && factor_.ready()) {
        const auto start = std::chrono::steady_clock::now();
        const int iterations = preconditioned_cg(matrix_, factor_, minus_g, d, rule_.cg_relative,
                                                 rule_.cg_limit, work_);
        counts_.solve_seconds += seconds_since(start);
        if (iterations >= 0) {
            ++counts_.cg_solves;
            counts_.cg_iterations += iterations;
            return;
        }
    }
    while (!factorise()) {
        tau_ = tau_ == 0.0 ? rule_.first_shift : 10.0 * tau_;
        if (tau_ > rule_.largest_shift)
            throw nlp::halt("newton: no shift makes the step's matrix positive definite");
        form(h);
    }
    const auto start = std::chrono::steady_clock::now();
    factor_.solve(minus_g, d);
    counts_.solve_seconds += seconds_since(start);
    refactor_ = false;
}

void step_system::step_taken(double step) {
    if (step < 1.0) {
        // A shortened step: the next matrix is factorised afresh, and a shift that was in use
        // grows by the factor the step was cut by (a flat sheet's first step, cut a millionfold
        // by the search, names the tension that would have made it whole).
        refactor_ = true;
        if (tau_ > 0.0) tau_ = std::min(tau_ / step, rule_.largest_shift);
        return;
    }
    // A whole step: the shift is needed less; below the first it is dropped.
    tau_ = tau_ / 10.0 < rule_.first_shift ? 0.0 : tau_ / 10.0;
}

}  // namespace sheet
