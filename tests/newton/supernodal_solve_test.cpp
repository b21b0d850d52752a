// The supernodal factor and solve by parts of the factor's tree: small factors laid out by hand,
// found again from their matrix and solved against it, with and without a cut, and a factor of
// a grid solved to the same bits on any number of threads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "sheet/assembly/worker_pool.hpp"
#include "sheet/solve/cholesky.hpp"
#include "sheet/solve/supernodal_factor.hpp"
#include "sheet/solve/supernodal_solve.hpp"
#include "support/grid_matrix.hpp"

namespace {

// A factor laid out by supernodes, with its dense L beside it (row k of the factor is row
// order[k] of A = P' L L' P).
struct hand_factor {
    std::vector<std::int32_t> first_column, row_start, value_start, rows, order;
    std::vector<double> values;
    int n = 0;

    sheet::supernodal_layout layout() const {
        return {first_column, row_start, value_start, rows, order};
    }
    // L's entry (i, j), 0 where the layout holds none
    double l(int i, int j) const {
        if (i < j) return 0.0;
        for (std::size_t s = 0; s + 1 < first_column.size(); ++s) {
            if (j < first_column[s] || j >= first_column[s + 1]) continue;
            const int height = row_start[s + 1] - row_start[s];
            for (int k = 0; k < height; ++k)
                if (rows[static_cast<std::size_t>(row_start[s] + k)] == i)
                    return values[static_cast<std::size_t>(value_start[s] +
                                                           (j - first_column[s]) * height + k)];
        }
        return 0.0;
    }
    // A x
    std::vector<double> times(const std::vector<double>& x) const {
        std::vector<double> y(static_cast<std::size_t>(n)), z(y.size()), ax(y.size());
        for (int k = 0; k < n; ++k) y[static_cast<std::size_t>(k)] = x[order[k]];
        for (int j = 0; j < n; ++j)  // z = L' y
            for (int i = 0; i < n; ++i) z[j] += l(i, j) * y[i];
        for (int i = 0; i < n; ++i) {  // L z, back to A's rows
            double sum = 0.0;
            for (int j = 0; j < n; ++j) sum += l(i, j) * z[j];
            ax[static_cast<std::size_t>(order[i])] = sum;
        }
        return ax;
    }
};

// Two layouts of supernodes {0}, {1, 2} and {3, 4}; the entries above a supernode's diagonal
// are not L's and hold 99.
struct hand_case {
    const char* name;
    hand_factor factor;
    std::size_t parts;
};

std::vector<hand_case> hand_cases() {
    hand_factor children;  // the first two the children of the last: side by side
    children.n = 5;
    children.first_column = {0, 1, 3, 5};
    children.rows = {0, 4, 1, 2, 4, 3, 4};
    children.row_start = {0, 2, 5, 7};
    children.value_start = {0, 2, 8, 12};
    children.values = {2.0, 0.5, 3.0, -0.4, 0.3, 99.0, 1.5, -0.2, 2.5, 0.7, 99.0, 1.25};
    children.order = {3, 0, 4, 1, 2};
    // {0} under {3, 4}, {1, 2} a root of its own: the subtree of {3, 4} is 0 and 2, with 1
    // between, so every supernode goes to the top
    hand_factor apart;
    apart.n = 5;
    apart.first_column = {0, 1, 3, 5};
    apart.rows = {0, 4, 1, 2, 3, 4};
    apart.row_start = {0, 2, 4, 6};
    apart.value_start = {0, 2, 6, 10};
    apart.values = {2.0, 0.5, 3.0, -0.4, 99.0, 1.5, 2.5, 0.7, 99.0, 1.25};
    apart.order = {2, 4, 0, 3, 1};
    return {{"two children side by side", children, 2}, {"subtrees not contiguous", apart, 0}};
}

TEST(supernodal_solve, solves_factors_laid_out_by_hand_with_and_without_parts) {
    for (const hand_case& c : hand_cases()) {
        sheet::supernodal_solve solver(c.factor.layout());
        EXPECT_EQ(solver.parts(), c.parts) << c.name;
        solver.take(c.factor.values);
        const std::vector<double> b = {1.0, -2.0, 0.5, 3.0, -1.5};
        for (const bool on_workers : {false, true}) {
            std::vector<double> x(b.size());
            solver.solve(b, x, on_workers);
            const std::vector<double> ax = c.factor.times(x);
            for (std::size_t i = 0; i < b.size(); ++i)
                EXPECT_NEAR(ax[i], b[i], 1e-14) << c.name << " " << i;
        }
    }
}

TEST(supernodal_factor, finds_the_factors_laid_out_by_hand_from_their_matrix) {
    for (const hand_case& c : hand_cases()) {
        const hand_factor& f = c.factor;
        // A's upper triangle, every entry that is not 0, column by column
        sheet::symmetric_matrix a;
        a.n = f.n;
        a.column_start.push_back(0);
        for (int j = 0; j < f.n; ++j) {
            std::vector<double> unit(static_cast<std::size_t>(f.n), 0.0);
            unit[static_cast<std::size_t>(j)] = 1.0;
            const std::vector<double> column = f.times(unit);
            for (int i = 0; i <= j; ++i)
                if (column[static_cast<std::size_t>(i)] != 0.0) {
                    a.row.push_back(i);
                    a.value.push_back(column[static_cast<std::size_t>(i)]);
                }
            a.column_start.push_back(static_cast<std::int32_t>(a.row.size()));
        }
        sheet::supernodal_factor factor(f.layout(), a);
        for (const bool on_workers : {false, true}) {
            ASSERT_TRUE(factor.factor(a.value, on_workers)) << c.name;
            hand_factor found = f;
            found.values.assign(factor.values().begin(), factor.values().end());
            for (int j = 0; j < f.n; ++j)
                for (int i = j; i < f.n; ++i)
                    EXPECT_NEAR(found.l(i, j), f.l(i, j), 1e-14) << c.name << " " << i << " " << j;
        }
        // less on the diagonal of its first column than the column's square needs
        sheet::symmetric_matrix spoilt = a;
        spoilt.value[0] = -1.0;
        EXPECT_FALSE(factor.factor(spoilt.value, false)) << c.name;
    }
}

TEST(supernodal_solve, a_factor_of_a_grid_solves_to_the_same_bits_on_any_number_of_threads) {
    // large enough for the parts to run on the workers; nodes of two unknowns, as a run groups
    const sheet::symmetric_matrix a = testing_support::grid_laplacian(160, 1e-2);
    std::vector<std::int32_t> groups(static_cast<std::size_t>(a.n));
    for (std::size_t k = 0; k < groups.size(); ++k) groups[k] = static_cast<std::int32_t>(k / 2);
    sheet::cholesky factor(a, groups);
    ASSERT_TRUE(factor.factor(a));
    std::vector<double> b(static_cast<std::size_t>(a.n)), alone(b.size()), ax(b.size());
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = std::cos(0.003 * static_cast<double>(i));
    factor.solve(b, alone, false);
    sheet::multiply(a, alone, ax);
    double largest = 0.0;
    for (std::size_t i = 0; i < b.size(); ++i) largest = std::max(largest, std::abs(ax[i] - b[i]));
    EXPECT_LT(largest, 1e-11);
    const int before = sheet::worker_count();
    for (const int count : {1, 2, 3, 8}) {
        sheet::set_worker_count(count);
        std::vector<double> x(b.size());
        factor.solve(b, x, true);
        EXPECT_EQ(std::memcmp(x.data(), alone.data(), x.size() * sizeof(double)), 0)
            << count << " workers";
    }
    sheet::set_worker_count(before);
}

}  // namespace
