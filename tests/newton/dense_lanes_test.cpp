// The dense work inside a supernode of a Cholesky factor in vector lanes against plain loops in
// the formulas' order, to the bit: the panel products, the factorisation of a diagonal block and
// the solve of the panel under it, with strides wider than the blocks, on sizes below and above
// the lanes' tiles; and blocks that are not positive definite.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <vector>

#include "sheet/solve/dense_lanes.hpp"

namespace {

// entry (i, j) of a fixed, well-scaled test matrix
double entry(std::size_t i, std::size_t j) {
    return std::sin(0.7 * static_cast<double>(i) + 1.3 * static_cast<double>(j) + 0.1);
}

struct size_case {
    std::size_t rows, columns, depth;
};

class dense_blocks : public testing::TestWithParam<size_case> {};

TEST_P(dense_blocks, a_panel_times_its_top_is_the_sum_of_products_to_the_bit) {
    const auto [rows, columns, depth] = GetParam();
    const std::size_t lda = rows + 3;
    std::vector<double> a(lda * depth, 99.0);
    for (std::size_t k = 0; k < depth; ++k)
        for (std::size_t i = 0; i < rows; ++i) a[k * lda + i] = entry(i, k);
    std::vector<double> c(rows * columns, -7.0);
    sheet::dense::lower_product(rows, columns, depth, a.data(), lda, c.data());
    for (std::size_t j = 0; j < columns; ++j)
        for (std::size_t i = j; i < rows; ++i) {
            // in ascending order from 0.0, whatever the lanes
            double sum = 0.0;
            for (std::size_t k = 0; k < depth; ++k) sum = sum + entry(i, k) * entry(j, k);
            EXPECT_EQ(c[j * rows + i], sum) << i << " " << j;
        }
}

TEST_P(
    dense_blocks,
    a_block_factorised_and_the_panel_under_it_solved_give_back_the_matrix_to_the_bit_of_the_formulas) {
    const auto [rows, n, depth] = GetParam();
    // A = B B' + n I over rows + n rows: its first n columns, as a supernode holds them
    const std::size_t height = n + rows, ld = height + 2;
    std::vector<double> l(ld * n, 0.0);
    const auto a = [&](std::size_t i, std::size_t j) {
        double sum = i == j ? static_cast<double>(n) : 0.0;
        for (std::size_t k = 0; k < depth; ++k) sum += entry(i, k) * entry(j, k);
        return sum;
    };
    for (std::size_t j = 0; j < n; ++j)
        for (std::size_t i = j; i < height; ++i) l[j * ld + i] = a(i, j);
    // the same by the formulas' scalar operations, in their order
    std::vector<double> scalar = l;
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = j; i < height; ++i) {
            double x = scalar[j * ld + i];
            for (std::size_t k = 0; k < j; ++k) x = x - scalar[k * ld + i] * scalar[k * ld + j];
            scalar[j * ld + i] = i == j ? std::sqrt(x) : i < n ? x / scalar[j * ld + j] : x;
        }
        for (std::size_t i = n; i < height; ++i)
            scalar[j * ld + i] = scalar[j * ld + i] / scalar[j * ld + j];
    }
    ASSERT_TRUE(sheet::dense::cholesky_in_place(n, l.data(), ld));
    sheet::dense::solve_by_transposed(rows, n, l.data(), l.data() + n, ld);
    for (std::size_t j = 0; j < n; ++j)
        for (std::size_t i = j; i < height; ++i)
            EXPECT_EQ(l[j * ld + i], scalar[j * ld + i]) << i << " " << j;
    // L L' is A in the supernode's columns, below its diagonal and in the panel
    for (std::size_t j = 0; j < n; ++j)
        for (std::size_t i = j; i < height; ++i) {
            double sum = 0.0;
            for (std::size_t k = 0; k <= j; ++k) sum += l[k * ld + i] * l[k * ld + j];
            EXPECT_NEAR(sum, a(i, j), 1e-10 * static_cast<double>(n + depth)) << i << " " << j;
        }
}

INSTANTIATE_TEST_SUITE_P(sizes, dense_blocks,
                         testing::Values(size_case{1, 1, 1}, size_case{5, 3, 2},
                                         size_case{37, 6, 5}, size_case{40, 17, 9},
                                         size_case{300, 130, 70}));

TEST(dense_blocks, refuses_a_block_that_is_not_positive_definite) {
    // [[1, 2], [2, 1]]: eigenvalues 3 and -1
    std::vector<double> block = {1.0, 2.0, 0.0, 1.0};
    EXPECT_FALSE(sheet::dense::cholesky_in_place(2, block.data(), 2));
    std::vector<double> singular = {1.0, 1.0, 0.0, 1.0};
    EXPECT_FALSE(sheet::dense::cholesky_in_place(2, singular.data(), 2));
}

}  // namespace
