// The total potential energy of a problem and its gradient, as the minimisers ask for it, and the
// final state the writers read: each the terms' contributions in list order.
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>

#include "nlp/slope.hpp"
#include "sheet/assembly/folds.hpp"
#include "sheet/assembly/objective.hpp"
#include "sheet/assembly/worker_pool.hpp"
#include "sheet/energy/term.hpp"
#include "sheet/model/loading.hpp"

namespace sheet {

// The energy at p, and its gradient into gs (g(1..unknown_count) as a span): every entry summed
// from -0.0, the additive identity, over the terms in list order, each term adding its own part
// in its own order; the energy summed from 0.0 the same way. From parallel_from elements on, and
// with more than one worker, the loads and the elements are assembled together on the worker
// pool, to the same bits (assemble_in_runs), and the further terms follow. With along.d set,
// also stores g . along.d over all of gs, in ascending order, in *along.slope. plan is p's.
template <class Terms>
double total_energy(const Terms& terms, assembly_plan& plan, const term_point& p,
                    std::span<double> gs, nlp::slope_request along = {},
                    std::size_t parallel_from = threads_from) {
    const int workers = worker_count();
    const bool shared = plan.element_count() >= parallel_from && workers >= 2;
    if (!shared || (along.d != nullptr && terms.further_present(p))) {
        double energy = 0.0;
        if (shared) {
            // The slope takes in the further terms' gradient too: it is summed over the
            // finished g.
            energy = total_energy(terms, plan, p, gs, {}, parallel_from);
        } else {
            std::fill(gs.begin(), gs.end(), -0.0);
            terms.for_each([&](const auto& term) {
                if (term.present(p)) term.add_energy(p, gs, energy);
            });
        }
        if (along.d != nullptr) {
            double slope = 0.0;
            detail::add_slope(slope, gs, along.d, 0, gs.size());
            *along.slope = slope;
        }
        return energy;
    }
    double energy = assemble_in_runs(plan, workers, p.load.loads(p.sheet).all(), p.xs, gs,
                                     terms.elements.block_evaluator(p, gs), along);
    terms.for_each_further([&](const auto& term) {
        if (term.present(p)) term.add_energy(p, gs, energy);
    });
    return energy;
}

// The final state of m at p (m's unknowns, under the load state the run has reached), into
// m.results: every element's row, in element order (its area ratio negative when it has folded,
// assembly/folds.hpp), and every component's out-of-balance force
// (summed from -0.0 over the terms in list order: minus its load, its elements' forces in
// ascending element order, then the further terms'), the displacements, the load state itself
// and the terms' field data and chambers.
template <class Terms>
void find_final_state(model& m, const Terms& terms, const term_point& p) {
    // The folds first, while little else is held: their search needs the edges of every triangle.
    m.results.displacements = displacements_at(m.problem, m.numbering, m.unknowns.x, p.load);
    const std::vector<std::uint8_t> folded =
        folded_triangles(m.problem.mesh, m.results.displacements);
    terms::real_matrix forces(1, m.problem.mesh.node_count, 1, 3);
    for (double& f : forces.all()) f = -0.0;
    terms.loads.add_forces(p, forces);
    std::vector<element_row> rows = terms.elements.rows_adding_forces(p, forces);
    terms.for_each_further([&](const auto& term) {
        if (term.present(p)) term.add_forces(p, forces);
    });
    for (std::size_t at = 0; at < rows.size(); ++at)
        if (folded[at]) rows[at].deformation.area_ratio = -rows[at].deformation.area_ratio;
    m.results.rows = std::move(rows);
    m.results.reactions = std::move(forces);
    m.results.fields = terms.fields(p);
    m.results.chambers = terms.chamber_readings(p);
    m.results.load = copy_of(p.load);
}

}  // namespace sheet
