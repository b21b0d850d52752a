// A sparse symmetric test matrix whose factor and solutions are known well: the five-point
// Laplacian of a grid.
#pragma once

#include <cstdint>

#include "sheet/solve/symmetric_matrix.hpp"

namespace testing_support {

// The five-point Laplacian of a side x side grid plus shift on the diagonal, its upper triangle
// by columns.
inline sheet::symmetric_matrix grid_laplacian(int side, double shift) {
    sheet::symmetric_matrix a;
    a.n = side * side;
    a.column_start.push_back(0);
    for (int j = 0; j < a.n; ++j) {
        if (j >= side) a.row.push_back(j - side), a.value.push_back(-1.0);
        if (j % side != 0) a.row.push_back(j - 1), a.value.push_back(-1.0);
        a.row.push_back(j);
        a.value.push_back(4.0 + shift);
        a.column_start.push_back(static_cast<std::int32_t>(a.row.size()));
    }
    return a;
}

}  // namespace testing_support
