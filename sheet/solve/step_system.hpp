// The Newton step's linear system made positive definite and solved: the assembled Hessian H
// (the energy's own, as long as it serves) plus a shift tau S shaped like a fictitious isotropic
// tension. tau starts at 0, so that H itself is factorised whenever it is positive definite; it
// is raised tenfold from small until the factorisation succeeds, raised after a step the line
// search had to shorten to the shift whose curvature along the step would have put the model's
// minimum where the search found it, raised tenfold after a whole step whose energy rose (the
// search is nonmonotone), and lowered tenfold (to 0 below the first shift) after each whole step
// the model foretold well. Solved by conjugate gradients preconditioned with the
// latest factor, to a relative residual that falls with the gradient (an inexact Newton step
// whose forcing term follows the squared ratio of successive gradients, at most 1e-2) when that
// takes at most ten iterations; refactorised otherwise and after every shortened step.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sheet/energy/term.hpp"
#include "sheet/solve/cholesky.hpp"
#include "sheet/solve/pcg.hpp"
#include "sheet/solve/sparse_values.hpp"
#include "sheet/solve/symmetric_matrix.hpp"

namespace sheet {

// The rule's constants, as measured (bench/RESULTS.md, "Newton's method").
struct step_rule {
    double first_shift = 1e-6;   // tau tried first when H alone does not factorise
    double largest_shift = 1e8;  // beyond it the system is given up
    int cg_limit = 10;           // CG iterations before a refactorisation
    double cg_relative = 1e-2;   // CG's largest bound on |r| / |g|: an inexact Newton step
    double good_model = 0.75;    // a whole step whose fall is at least this part of the model's
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
    // shape: the matrix's pattern (read, not copied: it must outlive the system); shift: S's
    // value at every stored entry; analysed: the factor's structure, made beforehand
    // (grouped_analysis, cholesky.hpp; none: CHOLMOD's own analysis of the matrix).
    step_system(const symmetric_matrix& shape, std::vector<double> shift,
                std::optional<supernodal_structure> analysed, step_rule rule = {});

    // The factor's analysis (its ordering and symbolic factor), made once: here when called
    // before the first direction (it may run on any thread, beside other work that does not
    // touch this system), or else by that direction. Returns the seconds it took.
    double analyse();

    // d = -(H + tau S + L)^-1 g for the Hessian values h (one per stored entry) and its parts
    // of low rank L = sum coefficient v v' (a chamber's coupling of all its nodes, never stored
    // in the matrix). Without such parts, by a factor of H + tau S (or CG with an older one);
    // with them, by CG on the whole operator preconditioned with a factor of H + tau' S, tau'
    // as large as that factor needs, and L by the Sherman-Morrison-Woodbury formula: the sparse
    // part alone may be indefinite where L makes the whole positive definite (a chamber held at
    // its volume past its pressure's maximum). Fails (a halt of the minimiser) when no shift up
    // to the largest makes the matrix positive definite.
    void direction(const std::vector<double>& h, const std::vector<low_rank_part>& low,
                   std::span<const double> g, std::span<double> d);

    // The line search took step t along the last direction d, and the energy fell by ratio
    // times the fall its model foretold (rose, when ratio < 0: the search is nonmonotone);
    // uphill: a longer trial was rejected for its energy; c_h = d' H d and c_s = d' S d of that
    // direction.
    void step_taken(double t, double ratio, bool uphill, double c_h, double c_s);

    // d' H d for the Hessian values h, and d' S d.
    double curvature(const std::vector<double>& h, const std::vector<low_rank_part>& low,
                     std::span<const double> d) const {
        double sum = quadratic_form(shape_, h, d);
        for (const low_rank_part& part : low) {
            const double along = detail::inner(part.vector, d);
            sum = sum + part.coefficient * (along * along);
        }
        return sum;
    }
    double shift_curvature(std::span<const double> d) const {
        sparse_values::reader shift(shift_);
        return quadratic_form_by(
            shape_, [&shift](std::size_t) { return shift.next(); }, d);
    }

    double shift() const { return tau_; }
    const sparse_values& shift_values() const { return shift_; }
    const step_counts& counts() const { return counts_; }

private:
    void form(const std::vector<double>& h, double tau);  // formed_ := h + tau shift_
    bool factorise();
    // The preconditioner (F + L)^-1 of the latest factor F and the parts low: F^-1 v of each
    // part, and the small matrix C^-1 + V' F^-1 V factorised.
    void prepare_woodbury(const std::vector<low_rank_part>& low);
    void precondition(const std::vector<low_rank_part>& low, std::span<const double> r,
                      std::span<double> z);
    void apply(const std::vector<low_rank_part>& low, std::span<const double> p,
               std::span<double> q) const;

    const symmetric_matrix& shape_;
    std::vector<double> values_;                   // h + tau S, when tau is not 0
    const std::vector<double>* formed_ = nullptr;  // the matrix last formed: h or values_
    sparse_values shift_;
    step_rule rule_;
    std::optional<supernodal_structure> analysed_;  // until the factor takes it
    std::optional<cholesky> factor_;
    double tau_ = 0.0;
    bool refactor_ = true;
    step_counts counts_;
    std::vector<double> minus_g_;  // the right-hand side, kept between steps
    cg_work work_;
    double last_gradient_ = 0.0;  // |g| of the last direction, for the forcing term
    std::vector<std::vector<double>> solved_parts_;  // F^-1 v of each low-rank part
    std::vector<double> small_;                      // C^-1 + V' F^-1 V, its Cholesky factor
    std::vector<double> small_rhs_;
};

}  // namespace sheet
