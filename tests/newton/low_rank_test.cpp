// Newton's step with a part of rank one (a chamber's coupling of all its nodes, kept out of the
// sparse matrix) against a dense solve of the whole matrix: when the sparse part is positive
// definite, and when it is not but the part of rank one makes the whole so (a chamber held at its
// volume past its pressure's maximum), where the step must still be the whole matrix's.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sheet/solve/step_system.hpp"
#include "support/grid_matrix.hpp"

namespace {

using testing_support::grid_laplacian;

// x = A^-1 b by a dense Cholesky factor of A, which must be positive definite.
std::vector<double> dense_solve(std::vector<double> a, std::vector<double> b) {
    const std::size_t n = b.size();
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t k = 0; k < j; ++k) a[j * n + j] -= a[j * n + k] * a[j * n + k];
        EXPECT_GT(a[j * n + j], 0.0) << "the whole matrix is not positive definite";
        a[j * n + j] = std::sqrt(a[j * n + j]);
        for (std::size_t i = j + 1; i < n; ++i) {
            for (std::size_t k = 0; k < j; ++k) a[i * n + j] -= a[i * n + k] * a[j * n + k];
            a[i * n + j] /= a[j * n + j];
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t k = 0; k < i; ++k) b[i] -= a[i * n + k] * b[k];
        b[i] /= a[i * n + i];
    }
    for (std::size_t i = n; i-- > 0;) {
        for (std::size_t k = i + 1; k < n; ++k) b[i] -= a[k * n + i] * b[k];
        b[i] /= a[i * n + i];
    }
    return b;
}

TEST(low_rank_step, is_the_dense_solution_of_the_whole_matrix) {
    const int side = 6;
    // shift 0.5: the sparse part positive definite; -0.6: one eigenvalue of it below 0
    for (const double shift : {0.5, -0.6}) {
        const sheet::symmetric_matrix h = grid_laplacian(side, shift);
        const auto n = static_cast<std::size_t>(h.n);
        std::vector<double> s(h.stored(), 0.0);
        for (std::size_t j = 0; j < n; ++j)  // S = I: each column ends at its diagonal
            s[static_cast<std::size_t>(h.column_start[j + 1] - 1)] = 1.0;
        sheet::low_rank_part part{10.0, std::vector<double>(n)};
        std::vector<double> g(n);
        for (std::size_t i = 0; i < n; ++i) {
            part.vector[i] = 1.0 + 0.1 * std::sin(static_cast<double>(i));
            g[i] = std::cos(0.3 * static_cast<double>(i));
        }
        sheet::step_rule rule;
        rule.cg_relative = 1e-12;
        rule.cg_limit = 200;
        sheet::step_system system(h, s, {}, rule);
        std::vector<double> d(n);
        system.direction(h.value, {part}, g, d);
        EXPECT_EQ(system.shift(), 0.0) << "the step is the whole matrix's, not a shifted one's";

        std::vector<double> dense(n * n, 0.0), minus_g(n);
        for (std::size_t j = 0; j < n; ++j)
            for (auto k = static_cast<std::size_t>(h.column_start[j]);
                 k < static_cast<std::size_t>(h.column_start[j + 1]); ++k) {
                const auto i = static_cast<std::size_t>(h.row[k]);
                dense[i * n + j] = dense[j * n + i] = h.value[k];
            }
        for (std::size_t i = 0; i < n; ++i) {
            minus_g[i] = -g[i];
            for (std::size_t j = 0; j < n; ++j)
                dense[i * n + j] += part.coefficient * part.vector[i] * part.vector[j];
        }
        const std::vector<double> expected = dense_solve(dense, minus_g);
        double largest = 0.0;
        for (const double e : expected) largest = std::max(largest, std::fabs(e));
        for (std::size_t i = 0; i < n; ++i)
            EXPECT_NEAR(d[i], expected[i], 1e-9 * largest) << shift << ", entry " << i;
        // the step descends: g' d < 0
        double slope = 0.0;
        for (std::size_t i = 0; i < n; ++i) slope += g[i] * d[i];
        EXPECT_LT(slope, 0.0);
    }
}

}  // namespace
