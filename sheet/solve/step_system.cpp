// The shift and refactorisation rule of the Newton step.
#include "sheet/solve/step_system.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>

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
    double gg = 0.0;
    for (std::size_t i = 0; i < g.size(); ++i) {
        minus_g[i] = -g[i];
        gg = gg + g[i] * g[i];
    }
    // The forcing term: 0.9 (|g| / |g before|)^2, at most cg_relative.
    const double gradient = std::sqrt(gg);
    double relative = rule_.cg_relative;
    if (last_gradient_ > 0.0) {
        const double fall = gradient / last_gradient_;
        relative = std::min(relative, 0.9 * (fall * fall));
    }
    last_gradient_ = gradient;
    form(h);
    if (!refactor_ && factor_.ready()) {
        const auto start = std::chrono::steady_clock::now();
        const int iterations =
            preconditioned_cg(matrix_, factor_, minus_g, d, relative, rule_.cg_limit, work_);
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

void step_system::step_taken(double t, double ratio, bool uphill, double c_h, double c_s) {
    if (t < 1.0 && !uphill) return;  // shortened for a triangle turned over, not for the model
    if (t < 1.0) {
        // A shortened step: the model along d has its minimum where the search found it when
        // its curvature is -slope / t, slope = -d' (H + tau S) d; the shift that gives it is
        // tau / t + c_h (1 / t - 1) / c_s. The next matrix is factorised afresh.
        refactor_ = true;
        double grown = tau_ / t;
        if (c_s > 0.0) grown = std::max(grown, tau_ / t + c_h * (1.0 / t - 1.0) / c_s);
        tau_ = std::min(std::max(grown, rule_.first_shift), rule_.largest_shift);
        return;
    }
    // A whole step the model foretold well: the shift is needed less; below the first it is
    // dropped, and the energy's own Hessian serves alone.
    if (ratio >= rule_.good_model) tau_ = tau_ / 10.0 < rule_.first_shift ? 0.0 : tau_ / 10.0;
}

}  // namespace sheet
