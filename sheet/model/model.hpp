// What both programs' problem models hold in common: solver settings, the sheet, the mesh,
// supports and loads, the numbering of the unknowns, the unknowns themselves and the results.
#pragma once

#include <cstdint>

#include "arrays/terms.hpp"
#include "sheet/assembly/element_table.hpp"

namespace sheet {

// One triangle: its corners as read, and the initial geometry that start completes.
struct element {
    double area2 = 0.0;                  // |edge_a x edge_b|: twice the initial area
    double a_a = 0.0;                    // edge_a . edge_a
    double a_b = 0.0;                    // edge_a . edge_b
    double b_b = 0.0;                    // edge_b . edge_b
    std::int32_t node[3] = {0, 0, 0};    // N1, N2, N3
    double edge_a[3] = {0.0, 0.0, 0.0};  // P(N3) - P(N2)
    double edge_b[3] = {0.0, 0.0, 0.0};  // P(N1) - P(N3)
};

// Internal nodal forces of one element: row l = node N(l+1), column j = direction j+1. T is a
// real, or a vector of reals holding several elements' forces, one per lane.
template <class T>
struct nodal_forces {
    T row[3][3];
};
using element_forces = nodal_forces<double>;

struct mesh {
    // Solver settings.
    double search_factor = 0.0;
    std::int32_t search_limit = 0;
    double tolerance_factor = 0.0;
    double reference_force = 0.0;
    std::int32_t max_iterations = 0;
    std::int32_t memory_size = 0;

    // Sheet and material law (the constants are each program's own).
    double thickness = 0.0;
    std::int32_t material = 0;

    // Mesh.
    std::int32_t node_count = 0;
    terms::fmat1 node_x, node_y, node_z;
    terms::array1<element> elements;

    // Supports and loads, by (node, direction). dof_map holds 0/1 marks after input and the
    // index of each component after start.
    terms::imat2 dof_map;
    terms::fmat2 prescribed;
    terms::fmat2 loads;

    // Unknowns: free components are 1..free_count.
    std::int32_t free_count = 0;
    terms::fmat1 x;
    terms::fmat1 gradient;

    // Results.
    double tolerance = 0.0;
    double energy = 0.0;
    std::int32_t minor = 0;

    // What the objective keeps between evaluations: the element columns and the runs of entries.
    mutable evaluation_slot evaluation;
};

// Displacement of component (i, j): the unknown when it is free, its prescribed value otherwise.
inline double displacement(const mesh& m, std::int32_t i, std::int32_t j) {
    const std::int32_t k = m.dof_map(i, j);
    return k <= m.free_count ? m.x(k) : m.prescribed(i, j);
}

}  // namespace sheet
