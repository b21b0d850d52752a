// Conjugate gradients on a symmetric positive definite operator, preconditioned by the solve of a
// nearby matrix (an earlier Newton step's factor): every sum runs in ascending order.
#pragma once

#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

#include "sheet/solve/cholesky.hpp"
#include "sheet/solve/symmetric_matrix.hpp"

namespace sheet {

namespace detail {

inline double inner(std::span<const double> a, std::span<const double> b) {
    double sum = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) sum = sum + a[i] * b[i];
    return sum;
}

}  // namespace detail

// The vectors of one solve, kept between solves so that none is allocated (and its pages
// faulted in) again.
struct cg_work {
    std::vector<double> r, z, p, q;
};

// Solves A x = b from x = 0 until |r| <= relative |b| (Euclidean norms), with at most limit
// iterations, each one product apply(p, q) (q = A p) and one preconditioning precondition(r, z)
// (z = P^-1 r). Returns the iterations made, or -1 when the limit came first or a direction met
// no positive curvature: x is then not to be used.
template <class Apply, class Precondition>
int preconditioned_cg(Apply&& apply, Precondition&& precondition, std::span<const double> b,
                      std::span<double> x, double relative, int limit, cg_work& work) {
    const std::size_t n = b.size();
    std::vector<double>& r = work.r;
    std::vector<double>& z = work.z;
    std::vector<double>& p = work.p;
    std::vector<double>& q = work.q;
    r.assign(b.begin(), b.end());
    z.resize(n);
    p.resize(n);
    q.resize(n);
    for (std::size_t i = 0; i < n; ++i) x[i] = 0.0;
    const double bound = relative * std::sqrt(detail::inner(b, b));
    precondition(r, z);
    p = z;
    double rz = detail::inner(r, z);
    for (int k = 1; k <= limit; ++k) {
        apply(p, q);
        const double curvature = detail::inner(p, q);
        if (!(curvature > 0.0)) return -1;
        const double alpha = rz / curvature;  // step along p
        for (std::size_t i = 0; i < n; ++i) {
            x[i] = x[i] + alpha * p[i];
            r[i] = r[i] - alpha * q[i];
        }
        if (std::sqrt(detail::inner(r, r)) <= bound) return k;
        precondition(r, z);
        const double rz_next = detail::inner(r, z);
        const double beta = rz_next / rz;  // the next direction's share of p
        rz = rz_next;
        for (std::size_t i = 0; i < n; ++i) p[i] = z[i] + beta * p[i];
    }
    return -1;
}

// The same for the matrix a, preconditioned by factor's solves.
inline int preconditioned_cg(const symmetric_matrix& a, cholesky& factor, std::span<const double> b,
                             std::span<double> x, double relative, int limit, cg_work& work) {
    return preconditioned_cg(
        [&](std::span<const double> p, std::span<double> q) { multiply(a, p, q); },
        [&](std::span<const double> r, std::span<double> z) { factor.solve(r, z); }, b, x, relative,
        limit, work);
}

}  // namespace sheet
