// The sparse Cholesky factor: a grid Laplacian solved to round-off on the calling thread alone,
// a matrix that is not positive definite refused, one analysis serving every later matrix of
// its pattern as a fresh one would, the same factor on any number of workers, a matrix of
// another pattern refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <vector>

#include "sheet/assembly/worker_pool.hpp"
#include "sheet/failure.hpp"
#include "sheet/solve/cholesky.hpp"
#include "sheet/solve/symmetric_matrix.hpp"
#include "support/grid_matrix.hpp"

namespace {

using testing_support::grid_laplacian;

std::ptrdiff_t threads_of_this_process() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return std::distance(begin(tasks), end(tasks));
}

TEST(cholesky, solves_a_grid_laplacian_on_the_calling_thread_alone) {
    // large enough for supernodes whose loops would otherwise fork a team of threads
    const sheet::symmetric_matrix a = grid_laplacian(80, 1e-3);
    // as a run holds them, once where it starts
    sheet::hold_library_threads();
    const std::ptrdiff_t before = threads_of_this_process();
    sheet::cholesky factor(a);
    ASSERT_TRUE(factor.factor(a));
    std::vector<double> b(static_cast<std::size_t>(a.n)), x(b.size()), ax(b.size());
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = std::sin(0.01 * static_cast<double>(i));
    factor.solve(b, x);
    EXPECT_EQ(threads_of_this_process(), before);
    sheet::multiply(a, x, ax);
    double largest = 0.0;
    for (std::size_t i = 0; i < b.size(); ++i) largest = std::max(largest, std::abs(ax[i] - b[i]));
    EXPECT_LT(largest, 1e-10);
}

TEST(cholesky, refuses_a_matrix_that_is_not_positive_definite) {
    const sheet::symmetric_matrix pattern = grid_laplacian(20, 0.0);
    sheet::cholesky factor(pattern);
    EXPECT_FALSE(factor.factor(grid_laplacian(20, -0.5)));  // the smallest eigenvalue below 0
    EXPECT_FALSE(factor.ready());
    EXPECT_TRUE(factor.factor(grid_laplacian(20, 0.5)));
    EXPECT_TRUE(factor.ready());
}

// x = A^-1 b by the factor, for b(i) = sin(0.01 i).
std::vector<double> solution(sheet::cholesky& factor, int n) {
    std::vector<double> b(static_cast<std::size_t>(n)), x(b.size());
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = std::sin(0.01 * static_cast<double>(i));
    factor.solve(b, x);
    return x;
}

bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

TEST(cholesky, an_analysis_kept_over_many_matrices_factorises_each_as_a_fresh_one) {
    // groups of two unknowns, as a run orders a node's components together
    const int side = 40;
    std::vector<std::int32_t> groups(side * side);
    for (std::size_t k = 0; k < groups.size(); ++k) groups[k] = static_cast<std::int32_t>(k / 2);
    sheet::cholesky kept(grid_laplacian(side, 0.0), groups);
    // a shift that fails between them, as a Newton run's first try may
    for (const double shift : {0.5, -0.5, 1e-3, 2.0}) {
        const sheet::symmetric_matrix a = grid_laplacian(side, shift);
        sheet::cholesky fresh(a, groups);
        const bool done = fresh.factor(a);
        ASSERT_EQ(kept.factor(a), done) << shift;
        if (done) EXPECT_TRUE(same_bits(solution(kept, a.n), solution(fresh, a.n))) << shift;
    }
}

TEST(cholesky, factorises_on_the_workers_to_the_same_bits_as_alone) {
    // large enough for subtrees side by side and separators wide enough for several panels;
    // nodes of two unknowns, as a run groups them
    const int side = 160;
    std::vector<std::int32_t> groups(side * side);
    for (std::size_t k = 0; k < groups.size(); ++k) groups[k] = static_cast<std::int32_t>(k / 2);
    const sheet::symmetric_matrix a = grid_laplacian(side, 1e-2);
    sheet::cholesky factor(a, groups);
    ASSERT_TRUE(factor.factor(a, a.value, sheet::smallest_reciprocal_condition, false));
    const std::vector<double> alone = solution(factor, a.n);
    const int before = sheet::worker_count();
    for (const int count : {1, 2, 3, 8}) {
        sheet::set_worker_count(count);
        EXPECT_FALSE(factor.factor(a, grid_laplacian(side, -0.5).value,
                                   sheet::smallest_reciprocal_condition, true))
            << count << " workers";
        ASSERT_TRUE(factor.factor(a, a.value, sheet::smallest_reciprocal_condition, true));
        EXPECT_TRUE(same_bits(solution(factor, a.n), alone)) << count << " workers";
    }
    sheet::set_worker_count(before);
}

TEST(cholesky, refuses_a_matrix_of_another_pattern) {
    sheet::cholesky factor(grid_laplacian(10, 0.0));
    EXPECT_THROW(factor.factor(grid_laplacian(11, 0.5)), sheet::failure);
    sheet::symmetric_matrix fewer = grid_laplacian(10, 0.5);
    fewer.value.pop_back();
    EXPECT_THROW(factor.factor(fewer), sheet::failure);
}

}  // namespace
