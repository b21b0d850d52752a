// Dense linear algebra: an element Hessian made positive semi-definite (its eigenvalues below
// zero raised to zero), and the dense work inside a supernode of a Cholesky factor (a product
// of two panels, the factorisation of the diagonal block and the solve of the panel below it).
// Blocks are stored column by column, each with its own distance from one column to the next
// (its stride).
//
// Every call is safe from any number of threads at once and gives the same bits for the same
// numbers wherever it runs on one machine: no thread of its own, no state shared between calls.
#pragma once

#include <cstddef>

namespace sheet {

// A matrix none of whose eigenvalues lies more than this part of its largest diagonal entry
// below zero is taken as positive semi-definite already, and left as it is.
constexpr double semidefinite_tolerance = 1e-10;

// packed: a symmetric matrix of local_count (at most 10) rows, entry (a, b), a <= b, at
// b (b + 1) / 2 + a. Only the rows and columns with free[a] take part: the matrix restricted to
// them is replaced by V max(L, 0) V^T from its eigen-decomposition V L V^T (unless no eigenvalue
// lies more than a 1e-10 part of the largest diagonal entry below zero: then it is kept); the
// other entries are left as they are.
void project_to_nonnegative(double* packed, int local_count, const bool* free);

}  // namespace sheet

namespace sheet::dense {

// c := a a_top', where a is rows x depth (stride lda) and a_top its first columns rows; c is
// rows x columns (stride rows). Only the lower triangle of c's first columns rows is formed.
void lower_product(std::size_t rows, std::size_t columns, std::size_t depth, const double* a,
                   std::size_t lda, double* c);

// The lower Cholesky factor of the n x n block a (stride lda) in place of its lower triangle;
// false, the block spoilt, when it is not positive definite.
bool cholesky_in_place(std::size_t n, double* a, std::size_t lda);

// b := b l^-T for the lower triangular n x n block l (stride ld) and the rows x n block b
// (stride ld).
void solve_by_transposed(std::size_t rows, std::size_t n, const double* l, double* b,
                         std::size_t ld);

}  // namespace sheet::dense
