// The rigid-body motions a problem's supports leave free. A rigid velocity v(x) = a + w x x (a
// translation a, a rotation w: six motions) is allowed by a prescribed component (i, j) when
// v_j(x_i) = 0; those every prescribed component allows form the null space of a matrix of six
// columns, one row per prescribed component, whose rank is found to a tolerance relative to
// the mesh size. Loads and pressures do not enter: the elastic energy, a dead load and a
// follower pressure's potential hold no rigid motion, they can only drive one.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sheet/model/model.hpp"

namespace sheet {

// A part of the sheet (its triangles joined through shared corners) that its supports leave free
// to move as a rigid body.
struct free_part {
    std::int32_t first_node = 0;  // its lowest node
    std::int32_t motions = 0;     // how many independent rigid motions are free, 1 to 6
    // The free motions in words: "translation in X and Y, rotation about Z"; a direction off the
    // axes as "(0.6, 0.8, 0)".
    std::string described;
};

// The parts of p's mesh, and each that its prescribed components leave free to move as a rigid
// body, by its lowest node.
struct rigid_freedom {
    std::int32_t parts = 0;
    std::vector<free_part> free;
};
rigid_freedom free_rigid_motions(const problem& p);

// The singular values of the columns-by-rows matrix held as columns (each the same length),
// by one-sided Jacobi rotations, largest first, with the right singular vectors: right[k] is the
// vector of values[k]. Every dot product is summed in ascending order from 0.0.
struct singular_values {
    std::vector<double> values;
    std::vector<std::vector<double>> right;
};
singular_values singular_values_of(std::vector<std::vector<double>> columns);

}  // namespace sheet
