// The supernodal factorisation on layouts made here: two wide subtrees under a wide separator,
// factorised panel by panel to its matrix and to the same bits on any number of workers; and
// the cut of a tree of supernodes into subtrees.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "sheet/assembly/worker_pool.hpp"
#include "sheet/solve/supernodal_factor.hpp"
#include "sheet/solve/supernode_tree.hpp"

namespace {

// Supernodes {0 .. 299} and {300 .. 599}, each coupled only with itself and the separator
// {600 .. 799} above them: wider than a panel, and large enough for the workers.
struct arrow {
    static constexpr int block = 300, top = 200, n = 2 * block + top;
    std::vector<std::int32_t> first_column = {0, block, 2 * block, n};
    std::vector<std::int32_t> rows, row_start = {0}, value_start = {0}, order;
    sheet::symmetric_matrix a;

    static bool coupled(int i, int j) {
        return i / block == j / block || i >= 2 * block || j >= 2 * block;
    }
    // symmetric, its rows' other entries together less than half the diagonal
    static double value(int i, int j) {
        return i == j ? static_cast<double>(n)
                      : 0.5 * std::sin(0.37 * (i + j) + 0.61 * (i * j % 7));
    }

    arrow() {
        for (int s = 0; s < 3; ++s) {
            for (int r = first_column[s]; r < first_column[s + 1]; ++r) rows.push_back(r);
            if (s < 2)
                for (int r = 2 * block; r < n; ++r) rows.push_back(r);
            row_start.push_back(static_cast<std::int32_t>(rows.size()));
            value_start.push_back(value_start.back() + (row_start[s + 1] - row_start[s]) *
                                                           (first_column[s + 1] - first_column[s]));
        }
        // the factor's order reversed against A's
        for (int k = 0; k < n; ++k) order.push_back(n - 1 - k);
        a.n = n;
        a.column_start.push_back(0);
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i <= j; ++i)
                if (coupled(n - 1 - i, n - 1 - j)) {
                    a.row.push_back(i);
                    a.value.push_back(value(n - 1 - i, n - 1 - j));
                }
            a.column_start.push_back(static_cast<std::int32_t>(a.row.size()));
        }
    }
    sheet::supernodal_layout layout() const {
        return {first_column, row_start, value_start, rows, order};
    }
};

TEST(supernodal_factor, factorises_wide_supernodes_panel_by_panel_to_the_same_bits_anywhere) {
    const arrow m;
    sheet::supernodal_factor factor(m.layout(), m.a);
    ASSERT_TRUE(factor.factor(m.a.value, false));
    const std::vector<double> alone(factor.values().begin(), factor.values().end());
    // L L' x = P A P' x for x(k) = cos(k), row by row of the factor's order
    const auto l = [&](int i, int j) {
        const int s = j / arrow::block < 2 ? j / arrow::block : 2;
        const int height = m.row_start[s + 1] - m.row_start[s];
        for (int k = 0; k < height; ++k)
            if (m.rows[static_cast<std::size_t>(m.row_start[s] + k)] == i)
                return alone[static_cast<std::size_t>(m.value_start[s] +
                                                      (j - m.first_column[s]) * height + k)];
        return 0.0;
    };
    std::vector<double> x(arrow::n), y(arrow::n, 0.0);
    for (int k = 0; k < arrow::n; ++k) x[k] = std::cos(k);
    for (int j = 0; j < arrow::n; ++j) {
        double along = 0.0;  // (L' x)(j)
        for (int i = j; i < arrow::n; ++i) along += l(i, j) * x[i];
        for (int i = j; i < arrow::n; ++i) y[i] += l(i, j) * along;
    }
    for (int i = 0; i < arrow::n; i += 7) {
        double ax = 0.0;
        for (int j = 0; j < arrow::n; ++j)
            if (arrow::coupled(i, j)) ax += arrow::value(i, j) * x[j];
        EXPECT_NEAR(y[i], ax, 1e-9) << i;
    }
    const int before = sheet::worker_count();
    for (const int count : {1, 2, 3, 8}) {
        sheet::set_worker_count(count);
        ASSERT_TRUE(factor.factor(m.a.value, true));
        EXPECT_EQ(std::memcmp(factor.values().data(), alone.data(), alone.size() * sizeof(double)),
                  0)
            << count << " workers";
        // the separator's last diagonal entry too small: only the top fails
        sheet::symmetric_matrix spoilt = m.a;
        spoilt.value[0] = -1.0;
        EXPECT_FALSE(factor.factor(spoilt.value, true)) << count << " workers";
    }
    sheet::set_worker_count(before);
}

// A complete binary tree of 15 supernodes of one column each, numbered children first; each
// supernode's rows are its own column and its parent's.
struct binary_tree {
    std::vector<std::int32_t> first_column, row_start = {0}, value_start = {0}, rows, order;
    std::vector<std::int32_t> parent;

    // the subtree of depth levels numbered from first, its root returned
    std::int32_t grow(int levels) {
        std::vector<std::int32_t> kids;
        if (levels > 1) {
            kids.push_back(grow(levels - 1));
            kids.push_back(grow(levels - 1));
        }
        const auto root = static_cast<std::int32_t>(parent.size());
        parent.push_back(-1);
        for (const std::int32_t k : kids) parent[static_cast<std::size_t>(k)] = root;
        return root;
    }
    binary_tree() {
        grow(4);
        const auto count = static_cast<std::int32_t>(parent.size());
        for (std::int32_t s = 0; s <= count; ++s) first_column.push_back(s);
        for (std::int32_t s = 0; s < count; ++s) {
            rows.push_back(s);
            if (parent[static_cast<std::size_t>(s)] >= 0)
                rows.push_back(parent[static_cast<std::size_t>(s)]);
            row_start.push_back(static_cast<std::int32_t>(rows.size()));
            value_start.push_back(row_start.back());
            order.push_back(s);
        }
    }
    sheet::supernodal_layout layout() const {
        return {first_column, row_start, value_start, rows, order};
    }
};

TEST(supernode_tree, is_cut_into_whole_subtrees_the_heaviest_first) {
    const binary_tree b;
    const sheet::supernode_tree tree = sheet::tree_of(b.layout());
    ASSERT_TRUE(tree.ordered);
    EXPECT_EQ(tree.parent, b.parent);
    struct cut_case {
        const char* name;
        std::vector<std::int64_t> work;
        std::size_t target;
        std::vector<std::pair<std::int32_t, std::int32_t>> parts;
    };
    const std::vector<std::int64_t> even(15, 1);
    std::vector<std::int64_t> left_heavy = even;
    left_heavy[0] = 100;  // the first leaf: the left subtrees outweigh the right
    const std::vector<cut_case> cases = {
        {"one part: the whole tree", even, 1, {{0, 15}}},
        {"four even parts", even, 4, {{0, 3}, {3, 6}, {7, 10}, {10, 13}}},
        {"the heavy side split further", left_heavy, 4, {{0, 1}, {1, 2}, {3, 6}, {7, 14}}},
        {"as far as the leaves go",
         even,
         100,
         {{0, 1}, {1, 2}, {3, 4}, {4, 5}, {7, 8}, {8, 9}, {10, 11}, {11, 12}}},
    };
    for (const cut_case& c : cases) {
        std::vector<std::pair<std::int32_t, std::int32_t>> found;
        for (const sheet::subtree& p : sheet::cut_tree(tree, c.work, c.target))
            found.emplace_back(p.first, p.end);
        EXPECT_EQ(found, c.parts) << c.name;
    }
    // numbered parents first: no subtree can be cut
    binary_tree reversed = b;
    std::swap(reversed.rows[0], reversed.rows[1]);
    EXPECT_FALSE(sheet::tree_of(reversed.layout()).ordered);
}

}  // namespace
