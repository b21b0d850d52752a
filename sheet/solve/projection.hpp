// An element Hessian made positive semi-definite: its eigenvalues below zero raised to zero.
#pragma once

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
