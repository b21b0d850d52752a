// The dense work inside a supernode of a Cholesky factor, in vector lanes chosen for the machine
// at run time: the product that carries a supernode's updates to the supernodes above it, the
// factorisation of its diagonal block and the solve of the panel under it. Blocks are stored
// column by column, each with its own distance from one column to the next (its stride).
//
// Every entry is formed by the scalar operations in a fixed order (a sum of products in
// ascending order from 0.0; an entry less its products in ascending order, then divided), each
// lane rounding as those operations do (no fused multiply-add), so the results have the same
// bits on any CPU and any thread.
#pragma once

#include <cstddef>

namespace sheet::dense {

// c := a a_top', where a is rows x depth (stride lda) and a_top its first columns rows; c is
// rows x columns (stride rows). Only the lower triangle of c's first columns rows is formed;
// the entries above it may hold anything.
void lower_product(std::size_t rows, std::size_t columns, std::size_t depth, const double* a,
                   std::size_t lda, double* c);

// The lower Cholesky factor of the n x n block a (stride lda) in place of its lower triangle,
// column by column: l(i, j) = (a(i, j) - l(i, 0) l(j, 0) - ... - l(i, j-1) l(j, j-1)) / l(j, j),
// l(j, j) the square root of the same for i = j. False when a diagonal entry is not positive
// (the block is then spoilt). The entries above the diagonal may be overwritten.
bool cholesky_in_place(std::size_t n, double* a, std::size_t lda);

// b := b l^-T for the lower triangular n x n block l (stride ld) and the rows x n block b
// (stride ld), column by column: x(i, j) = (b(i, j) - x(i, 0) l(j, 0) - ... - x(i, j-1)
// l(j, j-1)) / l(j, j).
void solve_by_transposed(std::size_t rows, std::size_t n, const double* l, double* b,
                         std::size_t ld);

}  // namespace sheet::dense
