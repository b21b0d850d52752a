// The sparse Cholesky factor: a grid Laplacian solved to round-off on the calling thread alone,
// a matrix that is not positive definite refused.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <iterator>
#include <vector>

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

}  // namespace
