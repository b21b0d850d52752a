// The shift and refactorisation rule of the Newton step.
#include "sheet/solve/step_system.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <utility>

#include "nlp/halt.hpp"

namespace sheet {

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

step_system::step_system(const symmetric_matrix& shape, std::vector<double> shift,
                         std::optional<supernodal_structure> analysed, step_rule rule)
    : shape_(shape), shift_(shift), rule_(rule), analysed_(std::move(analysed)) {}

double step_system::analyse() {
    if (factor_) return 0.0;
    const auto start = std::chrono::steady_clock::now();
    if (analysed_)
        factor_.emplace(shape_, std::move(*analysed_));
    else
        factor_.emplace(shape_);
    analysed_.reset();
    return seconds_since(start);
}

void step_system::form(const std::vector<double>& h, double tau) {
    // Unshifted, the matrix is h itself (h + 0 S would be h to the bit: its entries are sums
    // begun from 0.0, never -0.0), and no copy of it is held beside the factor.
    if (tau == 0.0) {
        formed_ = &h;
        return;
    }
    values_.resize(h.size());
    sparse_values::reader shift(shift_);
    for (std::size_t k = 0; k < h.size(); ++k) values_[k] = h[k] + tau * shift.next();
    formed_ = &values_;
}

void step_system::apply(const std::vector<low_rank_part>& low, std::span<const double> p,
                        std::span<double> q) const {
    multiply(shape_, *formed_, p, q);
    for (const low_rank_part& part : low) {
        const double along = part.coefficient * detail::inner(part.vector, p);
        for (std::size_t i = 0; i < q.size(); ++i) q[i] = q[i] + along * part.vector[i];
    }
}

void step_system::prepare_woodbury(const std::vector<low_rank_part>& low) {
    const std::size_t k = low.size();
    solved_parts_.resize(k);
    for (std::size_t a = 0; a < k; ++a) {
        solved_parts_[a].resize(low[a].vector.size());
        factor_->solve(low[a].vector, solved_parts_[a], true);
    }
    // C^-1 + V' F^-1 V, then its Cholesky factor in place (lower triangle, by rows)
    small_.assign(k * k, 0.0);
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t b = 0; b <= a; ++b)
            small_[a * k + b] = detail::inner(low[a].vector, solved_parts_[b]) +
                                (a == b ? 1.0 / low[a].coefficient : 0.0);
    for (std::size_t a = 0; a < k; ++a) {
        for (std::size_t b = 0; b < a; ++b) {
            double sum = small_[a * k + b];
            for (std::size_t c = 0; c < b; ++c) sum = sum - small_[a * k + c] * small_[b * k + c];
            small_[a * k + b] = sum / small_[b * k + b];
        }
        double sum = small_[a * k + a];
        for (std::size_t c = 0; c < a; ++c) sum = sum - small_[a * k + c] * small_[a * k + c];
        small_[a * k + a] = std::sqrt(sum);
    }
}

void step_system::precondition(const std::vector<low_rank_part>& low, std::span<const double> r,
                               std::span<double> z) {
    factor_->solve(r, z, true);
    const std::size_t k = low.size();
    if (k == 0) return;
    // y = V' z, then (C^-1 + V' F^-1 V) s = y, then z := z - F^-1 V s
    small_rhs_.resize(k);
    for (std::size_t a = 0; a < k; ++a) small_rhs_[a] = detail::inner(low[a].vector, z);
    for (std::size_t a = 0; a < k; ++a) {
        double sum = small_rhs_[a];
        for (std::size_t c = 0; c < a; ++c) sum = sum - small_[a * k + c] * small_rhs_[c];
        small_rhs_[a] = sum / small_[a * k + a];
    }
    for (std::size_t a = k; a-- > 0;) {
        double sum = small_rhs_[a];
        for (std::size_t c = a + 1; c < k; ++c) sum = sum - small_[c * k + a] * small_rhs_[c];
        small_rhs_[a] = sum / small_[a * k + a];
    }
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t i = 0; i < z.size(); ++i)
            z[i] = z[i] - solved_parts_[a][i] * small_rhs_[a];
}

bool step_system::factorise() {
    const auto start = std::chrono::steady_clock::now();
    const bool done = factor_->factor(shape_, *formed_, smallest_reciprocal_condition, true);
    counts_.factor_seconds += seconds_since(start);
    ++(done ? counts_.factorisations : counts_.failed_factorisations);
    return done;
}

void step_system::direction(const std::vector<double>& h, const std::vector<low_rank_part>& low,
                            std::span<const double> g, std::span<double> d) {
    analyse();
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
    // CG on the whole operator with the latest factor; false when it did not converge.
    const auto cg = [&](double bound, int limit) {
        const auto start = std::chrono::steady_clock::now();
        if (!low.empty()) prepare_woodbury(low);
        const int iterations = preconditioned_cg(
            [&](std::span<const double> p, std::span<double> q) { apply(low, p, q); },
            [&](std::span<const double> r, std::span<double> z) { precondition(low, r, z); },
            minus_g, d, bound, limit, work_);
        counts_.solve_seconds += seconds_since(start);
        if (iterations < 0) return false;
        ++counts_.cg_solves;
        counts_.cg_iterations += iterations;
        return true;
    };
    form(h, tau_);
    if (!refactor_ && factor_->ready() && cg(relative, rule_.cg_limit)) return;
    // A fresh factor, of H + tau' S with tau' raised tenfold from tau (from the first shift
    // when tau is 0) until it is positive definite.
    double factored = tau_;
    while (!factorise()) {
        factored = factored == 0.0 ? rule_.first_shift : 10.0 * factored;
        if (factored > rule_.largest_shift)
            throw nlp::halt("newton: no shift makes the step's matrix positive definite");
        form(h, factored);
    }
    refactor_ = false;
    if (low.empty()) {
        tau_ = factored;
        const auto start = std::chrono::steady_clock::now();
        factor_->solve(minus_g, d, true);
        counts_.solve_seconds += seconds_since(start);
        return;
    }
    // The operator keeps tau unless CG on it fails: then it takes the factor's shift, whose
    // inverse (with L by Woodbury) the preconditioner is.
    form(h, tau_);
    if (factored > tau_ && cg(relative, rule_.cg_limit)) return;
    tau_ = factored;
    form(h, tau_);
    if (!cg(relative, rule_.cg_limit))
        throw nlp::halt("newton: the step's system with its parts of low rank is not solved");
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
    if (ratio < 0.0) {
        // A whole step the search took although the energy rose: the model foretold a fall where
        // there was none, so the shift is raised as much as a good step lowers it.
        refactor_ = true;
        tau_ = std::min(std::max(tau_ * 10.0, rule_.first_shift), rule_.largest_shift);
        return;
    }
    // A whole step the model foretold well: the shift is needed less; below the first it is
    // dropped, and the energy's own Hessian serves alone.
    if (ratio >= rule_.good_model) tau_ = tau_ / 10.0 < rule_.first_shift ? 0.0 : tau_ / 10.0;
}

}  // namespace sheet
