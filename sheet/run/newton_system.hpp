// What Newton's method asks of a program's objective beyond the energy and its gradient: the
// starting point of the Newton path, the step system (the element Hessians assembled into the
// sparse matrix, made positive definite and solved) and the inside-out test of a trial point.
// Program gives element_unknowns, element_hessian, energy_gradient and shift_tension; a further
// energy term (a follower pressure, say) adds its own element block inside element_hessian and
// its gradient inside the objective.
//
// dorvan's thickness variable belongs to one element: it is condensed out inside the element
// (a Schur complement of its projected Hessian), so the sparse system holds the free
// displacement components only, and its step follows from theirs element by element.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

#include "arrays/terms.hpp"
#include "sheet/assembly/assembly_plan.hpp"
#include "sheet/assembly/hessian_assembly.hpp"
#include "sheet/assembly/hessian_pattern.hpp"
#include "sheet/assembly/projection.hpp"
#include "sheet/assembly/upright.hpp"
#include "sheet/mechanics/pressure.hpp"
#include "sheet/mechanics/tension_shift.hpp"
#include "sheet/solve/step_system.hpp"

namespace sheet {

// How the Newton path makes its matrices.
struct newton_choice {
    bool project = true;  // each element Hessian projected onto its non-negative eigenvalues
    step_rule rule;
};

// The seconds a Newton run spent assembling, beside the step system's own counts.
struct newton_split {
    double assembly_seconds = 0.0;  // element Hessians, projection and the sums of the entries
};

template <class Program>
class newton_system {
public:
    using model_type = typename Program::model_type;
    static constexpr int local = Program::element_unknowns;  // 9, or 10 with a thickness
    static constexpr int size = packed_size(local);
    static constexpr bool condensed = local == 10;

    // The system for m with the plan its start made; both must outlive it.
    newton_system(const model_type& m, const assembly_plan& plan, newton_choice choice = {})
        : m_(m),
          plan_(plan),
          pattern_(plan.table(), plan.element_count(), m.numbering.free_count,
                   m.numbering.free_count, 9),
          project_(choice.project),
          steps_(pattern_.shape(), shift_of(m, pattern_), node_of_unknown(plan), choice.rule) {}

    // The Newton path's start: the prescribed displacements extended over the sheet by one
    // solve with the tension shift's Laplacian (the free components harmonic), when any is
    // not zero. x is left as it is when that system is singular (a component no support
    // reaches) or its solution turns a triangle over.
    void extend_prescribed(terms::real_vector& x) {
        const double* prescribed = applied_prescribed(m_).all().data();
        const std::int32_t free = m_.numbering.free_count;
        std::vector<double> b(static_cast<std::size_t>(free), 0.0);
        double packed[packed_size(9)];
        bool moved = false;
        const double tension = Program::shift_tension(m_);
        for (std::size_t at = 0; at < pattern_.elements(); ++at) {
            tension_shift(geometry(at), tension, 9, packed);
            for (int a = 0; a < 9; ++a) {
                const std::int32_t i = pattern_.unknown(at, a);
                if (i < 0) continue;
                for (int c = 0; c < 9; ++c) {
                    const std::int32_t source = pattern_.unknown(at, c);
                    if (source >= 0) continue;
                    const double value = corner_value(source, nullptr, prescribed);
                    moved = moved || value != 0.0;
                    const double entry =
                        packed[a <= c ? packed_position(a, c) : packed_position(c, a)];
                    b[static_cast<std::size_t>(i)] = b[static_cast<std::size_t>(i)] - entry * value;
                }
            }
        }
        if (!moved) return;
        // S couples a component only with the same direction of its neighbours: factorised on
        // its own pattern (the entries that are not zero) it costs a small part of the Newton
        // matrix's factor.
        const symmetric_matrix& shape = pattern_.shape();
        const std::vector<double>& shift = steps_.shift_values();
        symmetric_matrix laplacian;
        laplacian.n = shape.n;
        laplacian.column_start.push_back(0);
        for (std::int32_t j = 0; j < shape.n; ++j) {
            const auto jj = static_cast<std::size_t>(j);
            for (auto k = static_cast<std::size_t>(shape.column_start[jj]);
                 k < static_cast<std::size_t>(shape.column_start[jj + 1]); ++k)
                if (shift[k] != 0.0 || shape.row[k] == j) {
                    laplacian.row.push_back(shape.row[k]);
                    laplacian.value.push_back(shift[k]);
                }
            laplacian.column_start.push_back(static_cast<std::int32_t>(laplacian.row.size()));
        }
        // Ordered by its own pattern, not by nodes, so that the three directions stay apart in
        // the factor; by minimum degree, since it is factorised once.
        cholesky factor(laplacian, {}, true);
        if (!factor.factor(laplacian)) return;
        std::vector<double> solution(b.size());
        factor.solve(b, solution);
        terms::real_vector trial(1, m_.numbering.unknown_count);
        for (std::int32_t k = 1; k <= m_.numbering.unknown_count; ++k)
            trial(k) = k <= free ? solution[static_cast<std::size_t>(k - 1)] : x(k);
        if (!admissible(trial)) return;
        for (std::int32_t k = 1; k <= free; ++k) x(k) = trial(k);
    }

    // d = the Newton step at x, from the (projected, condensed) Hessian shifted by tau S and
    // the energy's true gradient g' (from g, the objective's); returns the slope g' . d,
    // summed in ascending order.
    double direction(const terms::real_vector& x, const terms::real_vector& g,
                     terms::real_vector& d) {
        const auto start = std::chrono::steady_clock::now();
        const std::int32_t n = m_.numbering.unknown_count;
        const auto free = static_cast<std::size_t>(m_.numbering.free_count);
        const std::span<const double> xs = x.view(1, n);
        gradient_.resize(static_cast<std::size_t>(n));
        Program::energy_gradient(m_, xs, g.view(1, n), gradient_);
        gather_pressures();
        const std::size_t elements = pattern_.elements();
        if constexpr (condensed) full_.resize(elements * size);
        assemble_hessian(
            pattern_,
            [&](std::size_t at, double* packed) {
                if constexpr (condensed) {
                    double* whole = full_.data() + at * size;
                    Program::element_hessian(m_, plan_.table(), at, xs, whole);
                    add_pressure_hessian(at, xs, whole);
                    condense(at, whole, packed);
                } else {
                    Program::element_hessian(m_, plan_.table(), at, xs, packed);
                    add_pressure_hessian(at, xs, packed);
                }
            },
            project_ && !condensed, buffer_, hessian_);
        // The condensed gradient: each free entry's, less its elements' thickness couplings.
        std::vector<double>& reduced = reduced_;
        reduced.assign(gradient_.begin(), gradient_.begin() + static_cast<std::ptrdiff_t>(free));
        if constexpr (condensed) {
            couplings_.resize(elements * 9);
            for (std::size_t at = 0; at < elements; ++at) {
                const double* whole = full_.data() + at * size;
                const double ratio = gradient_[free + at] / whole[packed_position(9, 9)];
                for (int a = 0; a < 9; ++a)
                    couplings_[at * 9 + a] = -(whole[packed_position(a, 9)] * ratio);
            }
            add_local_vectors(pattern_, couplings_, reduced);
        }
        split_.assembly_seconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::span<double> ds = d.view(1, n);
        steps_.direction(hessian_, reduced, ds.first(free));
        if constexpr (condensed) {
            // each thickness step from its element's displacement steps
            for (std::size_t at = 0; at < elements; ++at) {
                const double* whole = full_.data() + at * size;
                double sum = gradient_[free + at];
                for (int a = 0; a < 9; ++a) {
                    const std::int32_t i = pattern_.unknown(at, a);
                    if (i >= 0)
                        sum = sum + whole[packed_position(a, 9)] * ds[static_cast<std::size_t>(i)];
                }
                ds[free + at] = -(sum / whole[packed_position(9, 9)]);
            }
        }
        double slope = 0.0;
        for (std::size_t i = 0; i < ds.size(); ++i) slope = slope + gradient_[i] * ds[i];
        return slope;
    }

    bool admissible(const terms::real_vector& x) const {
        return every_triangle_upright(plan_.table(), pattern_.elements(),
                                      x.view(1, m_.numbering.unknown_count),
                                      applied_prescribed(m_).all().data());
    }

    void step_taken(double step) { steps_.step_taken(step); }

    const step_counts& counts() const { return steps_.counts(); }
    const newton_split& split() const { return split_; }

private:
    // The follower pressure on the element at each position at the model's load step, 0.0 where
    // there is none.
    void gather_pressures() {
        const std::vector<pressure>& pressures = applied_pressures(m_);
        if (pressures.empty()) return pressure_at_.clear();
        pressure_at_.assign(pattern_.elements(), 0.0);
        const std::int32_t first = m_.problem.mesh.elements.first();
        for (const pressure& p : pressures)
            pressure_at_[static_cast<std::size_t>(p.element - first)] = p.value;
    }

    // Adds the Hessian of the element's -p V over its nine corner components (locals 0..8) into
    // its packed Hessian, at the current corner positions: the pressure's load stiffness, made
    // positive semi-definite with the element's own by the projection.
    void add_pressure_hessian(std::size_t at, std::span<const double> xs, double* packed) const {
        if (pressure_at_.empty() || pressure_at_[at] == 0.0) return;
        const mesh& mesh = m_.problem.mesh;
        const triangle& corners = mesh.elements(mesh.elements.first() + static_cast<std::int32_t>(at));
        const double* prescribed = applied_prescribed(m_).all().data();
        double x[3][3];
        for (int l = 0; l < 3; ++l) {
            const std::int32_t node = corners.node[l];
            const double initial[3] = {mesh.node_x(node), mesh.node_y(node), mesh.node_z(node)};
            for (int j = 0; j < 3; ++j)
                x[l][j] = initial[j] +
                          corner_value(plan_.table().source(3 * l + j)[at], xs.data(), prescribed);
        }
        double hessian[9][9];
        pressure_hessian(pressure_at_[at], x, hessian);
        for (int b = 0; b < 9; ++b)
            for (int a = 0; a <= b; ++a)
                packed[packed_position(a, b)] = packed[packed_position(a, b)] + hessian[a][b];
    }

    const element_geometry& geometry(std::size_t at) const {
        return m_.geometry(m_.problem.mesh.elements.first() + static_cast<std::int32_t>(at));
    }

    // The element's whole Hessian (its thickness at 9) projected, then its thickness condensed
    // out: K*(a, b) = K(a, b) - K(a, 9) K(b, 9) / K(9, 9), into packed. A thickness stiffness
    // that the projection left at (or near) zero is raised to a 1e-8 part of the shift's.
    void condense(std::size_t at, double* whole, double* packed) const {
        bool free[10];
        for (int a = 0; a < 9; ++a) free[a] = pattern_.unknown(at, a) >= 0;
        free[9] = true;
        if (project_) project_to_nonnegative(whole, 10, free);
        const double floor = 1e-8 * Program::shift_tension(m_) * (0.5 * geometry(at).area2);
        double& k99 = whole[packed_position(9, 9)];
        if (!(k99 >= floor)) k99 = floor;
        for (int b = 0; b < 9; ++b)
            for (int a = 0; a <= b; ++a)
                packed[packed_position(a, b)] =
                    whole[packed_position(a, b)] -
                    whole[packed_position(a, 9)] * whole[packed_position(b, 9)] / k99;
    }

    // The node (0-based) of every free component: the groups the factor orders together.
    static std::vector<std::int32_t> node_of_unknown(const assembly_plan& plan) {
        std::vector<std::int32_t> node(plan.component().size());
        for (std::size_t k = 0; k < node.size(); ++k) node[k] = plan.component()[k] / 3;
        return node;
    }

    // S at every stored entry: the tension shift of every element, the program's tension.
    static std::vector<double> shift_of(const model_type& m, const hessian_pattern& pattern) {
        std::vector<double> buffer, values;
        const double tension = Program::shift_tension(m);
        assemble_hessian(
            pattern,
            [&](std::size_t at, double* packed) {
                tension_shift(
                    m.geometry(m.problem.mesh.elements.first() + static_cast<std::int32_t>(at)),
                    tension, 9, packed);
            },
            false, buffer, values);
        return values;
    }

    const model_type& m_;
    const assembly_plan& plan_;
    hessian_pattern pattern_;
    bool project_;
    step_system steps_;
    std::vector<double> pressure_at_;  // by element position; empty without pressures
    std::vector<double> gradient_, buffer_, hessian_, full_, couplings_, reduced_;
    newton_split split_;
};

}  // namespace sheet
