// The one file that asks Eigen for dense work: the eigen-projection of an element Hessian by its
// self-adjoint eigensolver on a matrix of at most ten rows held on the stack, and a supernode's
// products, factorisations and triangular solves. Its loops are held to the calling thread; its
// blocking follows the sizes and the machine's caches only, so a call gives the same bits on
// any thread of one machine.
#define EIGEN_DONT_PARALLELIZE
#include "sheet/solve/dense_algebra.hpp"

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

namespace sheet::dense {

namespace {

using matrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic>;
using block = Eigen::Map<matrix, 0, Eigen::OuterStride<>>;
using const_block = Eigen::Map<const matrix, 0, Eigen::OuterStride<>>;
using index = Eigen::Index;

index signed_of(std::size_t n) {
    return static_cast<index>(n);
}

}  // namespace

void lower_product(std::size_t rows, std::size_t columns, std::size_t depth, const double* a,
                   std::size_t lda, double* c) {
    const index m = signed_of(rows), n = signed_of(columns), k = signed_of(depth);
    const const_block panel(a, m, k, Eigen::OuterStride<>(signed_of(lda)));
    block product(c, m, n, Eigen::OuterStride<>(m));
    product.topRows(n).triangularView<Eigen::Lower>() =
        panel.topRows(n) * panel.topRows(n).transpose();
    if (m > n)
        product.bottomRows(m - n).noalias() =
            panel.bottomRows(m - n) * panel.topRows(n).transpose();
}

bool cholesky_in_place(std::size_t n, double* a, std::size_t lda) {
    using in_place = Eigen::Ref<matrix, 0, Eigen::OuterStride<>>;
    block diagonal(a, signed_of(n), signed_of(n), Eigen::OuterStride<>(signed_of(lda)));
    in_place view(diagonal);
    const Eigen::LLT<in_place, Eigen::Lower> factor(view);
    return factor.info() == Eigen::Success;
}

void solve_by_transposed(std::size_t rows, std::size_t n, const double* l, double* b,
                         std::size_t ld) {
    if (rows == 0) return;
    const const_block factor(l, signed_of(n), signed_of(n), Eigen::OuterStride<>(signed_of(ld)));
    block panel(b, signed_of(rows), signed_of(n), Eigen::OuterStride<>(signed_of(ld)));
    factor.transpose().triangularView<Eigen::Upper>().solveInPlace<Eigen::OnTheRight>(panel);
}

}  // namespace sheet::dense
