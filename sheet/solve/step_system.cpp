// The shift and refactorisation rule of the Newton step.
#include "sheet/solve/step_system.hpp"

#include <chrono>

#include "nlp/halt.hpp"
#include "sheet/solve/pcg.hpp"

namespace sheet {

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

step_system::step_system(const symmetric_matrix& shape, std::vector<double> shift, step_rule rule)
    : matrix_(shape), shift_(std::move(shift)), rule_(rule), factor_(shape) {}

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
    std::vector<double> minus_g(g.size());
    for (std::size_t i = 0; i < g.size(); ++i) minus_g[i] = -g[i];
    form(h);
    if (!refactor_ && factor_.ready()) {
        const auto start = std::chrono::steady_clock::now();
        const int iterations =
            preconditioned_cg(matrix_, factor_, minus_g, d, rule_.cg_relative, rule_.cg_limit);
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
        refactor_ = true;
        return;
    }
    // A whole step: the shift is needed less; below the first it is dropped.
    tau_ = tau_ / 10.0 < rule_.first_shift ? 0.0 : tau_ / 10.0;
}

bool step_system::solve_once(const std::vector<double>& a, std::span<const double> b,
                             std::span<double> x) {
    matrix_.value = a;
    refactor_ = true;
    if (!factorise()) return false;
    factor_.solve(b, x);
    return true;
}

}  // namespace sheet
