// The eigen-projection of an element Hessian, by Eigen's self-adjoint eigensolver on a matrix of
// at most ten rows held on the stack.
#include "sheet/solve/projection.hpp"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>

namespace sheet {

void project_to_nonnegative(double* packed, int local_count, const bool* free) {
    using matrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, 0, 10, 10>;
    int place[10];
    int count = 0;
    for (int a = 0; a < local_count; ++a)
        if (free[a]) place[count++] = a;
    if (count == 0) return;
    matrix h(count, count);
    for (int c = 0; c < count; ++c)
        for (int r = 0; r <= c; ++r) {
            h(r, c) = packed[place[c] * (place[c] + 1) / 2 + place[r]];
            h(c, r) = h(r, c);
        }
    // Most element Hessians of a sheet in tension are already positive semi-definite: when the
    // Cholesky factorisation of h + eps I succeeds (eps a 1e-10 part of the largest diagonal
    // entry) no eigenvalue lies more than eps below zero, and h is kept as it is.
    double largest = 0.0;
    for (int c = 0; c < count; ++c) largest = std::max(largest, std::abs(h(c, c)));
    matrix shifted = h;
    for (int c = 0; c < count; ++c)
        shifted(c, c) = shifted(c, c) + semidefinite_tolerance * largest;
    if (Eigen::LLT<matrix>(shifted).info() == Eigen::Success) return;
    const Eigen::SelfAdjointEigenSolver<matrix> eigen(h);
    const auto& values = eigen.eigenvalues();
    if (values(0) >= 0.0) return;  // ascending: nothing below zero
    const auto& vectors = eigen.eigenvectors();
    for (int c = 0; c < count; ++c)
        for (int r = 0; r <= c; ++r) {
            double sum = 0.0;
            for (int k = 0; k < count; ++k)
                if (values(k) > 0.0) sum = sum + vectors(r, k) * values(k) * vectors(c, k);
            packed[place[c] * (place[c] + 1) / 2 + place[r]] = sum;
        }
}

}  // namespace sheet
