// The parts of the starting state that both programs build alike: the initial geometry of
// every triangle, the numbering of the components, and the stopping tolerance.
#pragma once

#include <cstdint>

#include "nlp/norm.hpp"
#include "sheet/model/model.hpp"

namespace sheet {

// Edges, metric and twice the area of every element, first to last. An element that names a
// node that does not exist, or whose corners are collinear or coincide, is a failure.
void complete_geometry(mesh& m);

// Number of components that input left free (dof_map 0), scanning node by node, X, Y, Z.
std::int32_t count_free(const mesh& m);

// Overwrites dof_map with the index of each component in the same scan order: free ones
// 1..free_count, prescribed ones prescribed_base + 1, + 2, ... Sets free_count.
void number_components(mesh& m, std::int32_t free_count, std::int64_t prescribed_base);

// Absolute when reference_force > 0; otherwise relative to the largest entry of the gradient
// at the starting point, which costs one evaluation of the objective (its energy is kept).
template <class Objective>
void fix_tolerance(mesh& m, std::int32_t unknown_count, Objective&& objective) {
    if (m.reference_force > 0.0) {
        m.tolerance = m.tolerance_factor * m.reference_force;
        return;
    }
    m.energy = objective(unknown_count, m.x, m.gradient);
    m.tolerance = nlp::norm(unknown_count, m.gradient) * m.tolerance_factor;
}

}  // namespace sheet
