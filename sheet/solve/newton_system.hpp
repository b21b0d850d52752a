// What Newton's method asks of a problem beyond its energy and gradient: the starting point of
// the Newton path, the step system (the terms' element Hessians assembled into the sparse
// matrix, made positive definite and solved) and whether a trial point may be evaluated. Terms
// is the problem's list of energy terms (sheet/energy/terms.hpp).
//
// Each element's own unknowns (dorvan's thickness variable) belong to that element alone: they
// are condensed out inside the element (a Schur complement of its projected Hessian), so the
// sparse system holds the free displacement components only, and their steps follow from those
// of the components element by element.
#pragma once

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "arrays/terms.hpp"
#include "nlp/newton.hpp"
#include "sheet/assembly/assembly_plan.hpp"
#include "sheet/assembly/worker_pool.hpp"
#include "sheet/energy/term.hpp"
#include "sheet/mechanics/packed.hpp"
#include "sheet/mechanics/tension_shift.hpp"
#include "sheet/solve/cholesky.hpp"
#include "sheet/solve/hessian_assembly.hpp"
#include "sheet/solve/hessian_pattern.hpp"
#include "sheet/solve/laplace_start.hpp"
#include "sheet/solve/projection.hpp"
#include "sheet/solve/step_system.hpp"

namespace sheet {

// How the Newton path makes its matrices.
struct newton_choice {
    // Each element Hessian projected onto its non-negative eigenvalues, instead of the energy's
    // own Hessian (tests compare the two paths).
    bool project = false;
    step_rule rule;
};

// The seconds a Newton run spent assembling, beside the step system's own counts.
struct newton_split {
    double assembly_seconds = 0.0;  // element Hessians, projection and the sums of the entries
};

// An own unknown's stiffness that the projection left at (or near) zero is raised to this part
// of the shift's stiffness of the element, so that the condensation divides by a number.
constexpr double own_stiffness_floor = 1e-8;

template <class Terms>
class newton_system {
public:
    using elements_type = decltype(Terms::elements);
    static constexpr int local = elements_type::local_count;  // 9, or 10 with an own unknown
    static constexpr int size = packed_size(local);
    static constexpr bool condensed = local > 9;

    // The system for m with the plan its start made and its terms, under the load state load,
    // which the run moves from step to step; all must outlive it. The factor's structure and the
    // Newton path's start are made here, side by side (prepare).
    newton_system(const model& m, const assembly_plan& plan, const Terms& terms,
                  const load_state& load, newton_choice choice = {})
        : m_(m),
          plan_(plan),
          terms_(terms),
          load_(load),
          prepared_(prepare(m, plan, terms, load)),
          pattern_(std::move(*prepared_.pattern)),
          project_(choice.project),
          steps_(pattern_.shape(), std::move(prepared_.shift), std::move(prepared_.analysed),
                 choice.rule) {
        prepared_.pattern.reset();
    }

    // The factor with the structure made (its entries' places), and the Newton path's start
    // (laplace_start.hpp) taken into x, which is left as it is when the extension is singular
    // or turns a triangle over. Returns the seconds of the analysis.
    double extend_prescribed(terms::real_vector& x) {
        const double analysis = steps_.analyse();
        // The extension is taken when it turns no triangle over; and when the start itself has
        // triangles upside down (the prescribed displacements alone fold the sheet at a
        // support's corner), when it sets every triangle upright.
        if (prepared_.extension)
            take_extension(*prepared_.extension, x, [this, &x](const terms::real_vector& trial) {
                return terms_.admissible(point(x), point(trial)) ||
                       (!terms_.elements.upright(point(x)) &&
                        terms_.elements.upright(point(trial)));
            });
        prepared_.extension.reset();
        // The work arrays of the ordering and the start, freed, went back to the allocator's
        // pools of the threads that made them (a worker's among them), which keep them: handed
        // back to the system, they are not held beside the factor to come.
        malloc_trim(0);
        return analysis;
    }

    // d = the Newton step at x, from the (condensed) Hessian shifted by tau S and the energy's
    // true gradient g' (from g, the objective's); returns the slope g' . d, summed in ascending
    // order, and the curvature d' H d of the energy's Hessian along d.
    nlp::step_model direction(const terms::real_vector& x, const terms::real_vector& g,
                              terms::real_vector& d) {
        const auto start = std::chrono::steady_clock::now();
        const std::int32_t n = m_.numbering.unknown_count;
        const auto free = static_cast<std::size_t>(m_.numbering.free_count);
        const term_point p = point(x);
        from_ = terms::real_vector(1, n, terms::uninitialized);
        std::copy(x.view(1, n).begin(), x.view(1, n).end(), from_.view(1, n).begin());
        gradient_.resize(static_cast<std::size_t>(n));
        terms_.elements.true_gradient(p, g.view(1, n), gradient_);
        const std::size_t elements = pattern_.elements();
        if constexpr (condensed) full_.resize(elements * size);
        const auto states = terms_.hessian_states(p);
        assemble_hessian(
            pattern_,
            [&](std::size_t at, double* packed) {
                double* block = packed;
                if constexpr (condensed) block = full_.data() + at * size;
                // each entry summed from -0.0, the additive identity, over the terms in order
                std::fill(block, block + size, -0.0);
                terms_.add_element_hessian(p, states, at, block);
                if constexpr (condensed) condense(at, block, packed);
            },
            project_ && !condensed, buffer_, hessian_);
        // the blocks of the last batch are not held beside the factor to come
        std::vector<double>().swap(buffer_);
        low_rank_.clear();
        terms_.add_low_rank(p, states, low_rank_);
        // The condensed gradient: each free entry's, less its elements' own couplings (with
        // none, the gradient itself).
        std::span<const double> reduced = std::span<const double>(gradient_).first(free);
        if constexpr (condensed) {
            reduced_.assign(gradient_.begin(),
                            gradient_.begin() + static_cast<std::ptrdiff_t>(free));
            couplings_.resize(elements * 9);
            for (std::size_t at = 0; at < elements; ++at) {
                const double* whole = full_.data() + at * size;
                const double ratio = gradient_[free + at] / whole[packed_position(9, 9)];
                for (int a = 0; a < 9; ++a)
                    couplings_[at * 9 + a] = -(whole[packed_position(a, 9)] * ratio);
            }
            add_local_vectors(pattern_, couplings_, reduced_);
            reduced = reduced_;
        }
        split_.assembly_seconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::span<double> ds = d.view(1, n);
        steps_.direction(hessian_, low_rank_, reduced, ds.first(free));
        // d' H d: the condensed matrix's with its low-rank parts, and with own unknowns the
        // terms of their coupling, du . c - ds . g_s, c = reduced - g_u the couplings' part of
        // the condensed gradient
        displacement_curvature_ = steps_.curvature(hessian_, low_rank_, ds.first(free));
        double curvature = displacement_curvature_;
        if constexpr (condensed) {
            // each own unknown's step from its element's displacement steps
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
            double coupled = 0.0;
            for (std::size_t i = 0; i < free; ++i)
                coupled = coupled + ds[i] * (reduced[i] - gradient_[i]);
            for (std::size_t i = free; i < ds.size(); ++i) coupled = coupled - ds[i] * gradient_[i];
            curvature = curvature + coupled;
        }
        shift_curvature_ = steps_.shift_curvature(ds.first(free));
        double slope = 0.0;
        for (std::size_t i = 0; i < ds.size(); ++i) slope = slope + gradient_[i] * ds[i];
        return {slope, curvature};
    }

    // Whether the step from the point of the last direction (or, before any, from the start
    // the Laplace extension leaves) to x may be evaluated.
    bool admissible(const terms::real_vector& x) const {
        return terms_.admissible(point(from_), point(x));
    }

    void step_taken(double step, double ratio, bool uphill) {
        steps_.step_taken(step, ratio, uphill, displacement_curvature_, shift_curvature_);
    }

    const step_counts& counts() const { return steps_.counts(); }
    const newton_split& split() const { return split_; }

private:
    term_point point(const terms::real_vector& x) const {
        return {m_.problem, plan_, load_, x.view(1, m_.numbering.unknown_count)};
    }

    const element_geometry& geometry(std::size_t at) const { return geometry_of(m_, at); }
    static const element_geometry& geometry_of(const model& m, std::size_t at) {
        return m.geometry(m.problem.mesh.elements.first() + static_cast<std::int32_t>(at));
    }

    // The element's whole Hessian (its own unknown at 9) projected, then that unknown condensed
    // out: K*(a, b) = K(a, b) - K(a, 9) K(b, 9) / K(9, 9), into packed.
    void condense(std::size_t at, double* whole, double* packed) const {
        bool free[10];
        for (int a = 0; a < 9; ++a) free[a] = pattern_.unknown(at, a) >= 0;
        free[9] = true;
        if (project_) project_to_nonnegative(whole, 10, free);
        const double floor =
            own_stiffness_floor * terms_.elements.shift_tension() * (0.5 * geometry(at).area2);
        double& k99 = whole[packed_position(9, 9)];
        if (!(k99 >= floor)) k99 = floor;
        for (int b = 0; b < 9; ++b)
            for (int a = 0; a <= b; ++a)
                packed[packed_position(a, b)] =
                    whole[packed_position(a, b)] -
                    whole[packed_position(a, 9)] * whole[packed_position(b, 9)] / k99;
    }

    // What the system is made of, made side by side on the workers: on one, the factor's
    // structure (METIS and the analysis on the graph of the nodes the elements join; serial, and
    // the longest part);
    // on the other, the matrix's pattern, the shift's matrix S and the start of the Newton path
    // from them, each on that one thread.
    struct prepared_parts {
        std::optional<hessian_pattern> pattern;
        std::vector<double> shift;                     // S at every stored entry of the pattern
        std::optional<supernodal_structure> analysed;  // the factor's structure
        std::optional<std::vector<double>> extension;  // the start, when there is one
    };
    static prepared_parts prepare(const model& m, const assembly_plan& plan, const Terms& terms,
                                  const load_state& load) {
        prepared_parts out;
        const std::vector<std::int32_t> groups = node_of_unknown(plan);
        const auto geometry = [&m](std::size_t at) -> const element_geometry& {
            return geometry_of(m, at);
        };
        const double tension = terms.elements.shift_tension();
        const double* prescribed = load.prescribed(m.problem).all().data();
        run_tasks(2, [&](std::size_t task) {
            if (task == 0) {
                std::vector<std::size_t> start;
                std::vector<std::int32_t> links;
                element_links(plan.table(), plan.element_count(), groups, start, links);
                out.analysed = grouped_analysis(groups, start, links);
                return;
            }
            out.pattern.emplace(plan.table(), plan.element_count(), m.numbering.free_count,
                                m.numbering.free_count, 9);
            std::vector<double> buffer;
            assemble_hessian(
                *out.pattern,
                [&](std::size_t at, double* packed) {
                    tension_shift(geometry(at), tension, 9, packed);
                },
                false, buffer, out.shift, detail::hessian_batch, false);
            std::vector<std::int32_t> direction(plan.component().size());
            for (std::size_t k = 0; k < direction.size(); ++k)
                direction[k] = plan.component()[k] % 3;
            out.extension = harmonic_extension(*out.pattern, sparse_values(out.shift), direction,
                                               geometry, tension, prescribed);
        });
        return out;
    }

    // The node (0-based) of every free component: the groups the factor orders together.
    static std::vector<std::int32_t> node_of_unknown(const assembly_plan& plan) {
        std::vector<std::int32_t> node(plan.component().size());
        for (std::size_t k = 0; k < node.size(); ++k) node[k] = plan.component()[k] / 3;
        return node;
    }

    const model& m_;
    const assembly_plan& plan_;
    const Terms& terms_;
    const load_state& load_;
    prepared_parts prepared_;  // until the parts are taken
    hessian_pattern pattern_;
    bool project_;
    step_system steps_;
    std::vector<double> gradient_, buffer_, hessian_, full_, couplings_, reduced_;
    std::vector<low_rank_part> low_rank_;  // of the last direction
    newton_split split_;
    double displacement_curvature_ = 0.0, shift_curvature_ = 0.0;  // of the last direction
    terms::real_vector from_;                                      // where it starts
};

}  // namespace sheet
