// The parts of the starting state that both programs build alike: the initial geometry of
// every triangle, the numbering of the components, and the stopping tolerance.
#pragma once

#include <cstdint>

#include "nlp/norm.hpp"
#include "sheet/model/model.hpp"

namespace sheet {

// Edges, metric and twice the area of every element into m.geometry, first to last. An element
// that names a node that does not exist, or whose corners are collinear or coincide, is a
// failure.
void complete_geometry(model& m);

// Number of components that the supports leave free, scanning node by node, X, Y, Z.
std::int32_t count_free(const problem& p);

// Numbers every component in the same scan order into m.numbering.dof_map: free ones
// 1..free_count, prescribed ones prescribed_base + 1, + 2, ... Sets free_count and
// unknown_count.
void number_components(model& m, std::int32_t free_count, std::int32_t unknown_count,
                       std::int64_t prescribed_base);

// The tolerance factor a run uses: the command line's (above 0) when it gives one, else that of
// input.txt.
inline double tolerance_factor_of(const problem& p, double from_command_line) {
    return from_command_line > 0.0 ? from_command_line : p.settings.tolerance_factor;
}

// The stopping tolerance, factor times: reference_force when it is above 0; otherwise the
// largest entry of the gradient at the starting point, which costs one evaluation of the
// objective (its energy is kept).
template <class Objective>
void fix_tolerance(model& m, double factor, Objective&& objective) {
    const solver_settings& s = m.problem.settings;
    if (s.reference_force > 0.0) {
        m.results.tolerance = factor * s.reference_force;
        return;
    }
    const std::int32_t n = m.numbering.unknown_count;
    m.results.energy = objective(n, m.unknowns.x, m.unknowns.gradient);
    m.results.tolerance = nlp::norm(n, m.unknowns.gradient) * factor;
}

}  // namespace sheet
