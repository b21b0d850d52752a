// The factor's ordering made apart from the matrix: the nodes that the elements join are those
// the pattern's entries join, and the order found for them is the one a factor's own analysis
// finds, giving the same factor to the bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "melvar/program.hpp"
#include "sheet/assembly/assembly_plan.hpp"
#include "sheet/solve/cholesky.hpp"
#include "sheet/solve/group_links.hpp"
#include "sheet/solve/hessian_pattern.hpp"
#include "support/grid_matrix.hpp"
#include "support/input_text.hpp"
#include "support/pressurised_sheets.hpp"

namespace {

// Each group's neighbours, sorted and once.
std::vector<std::vector<std::int32_t>> neighbours(const std::vector<std::size_t>& start,
                                                  const std::vector<std::int32_t>& links) {
    std::vector<std::vector<std::int32_t>> out(start.size() - 1);
    for (std::size_t g = 0; g + 1 < start.size(); ++g) {
        out[g].assign(links.begin() + static_cast<std::ptrdiff_t>(start[g]),
                      links.begin() + static_cast<std::ptrdiff_t>(start[g + 1]));
        std::sort(out[g].begin(), out[g].end());
        out[g].erase(std::unique(out[g].begin(), out[g].end()), out[g].end());
    }
    return out;
}

TEST(ordering, the_elements_join_the_nodes_that_the_patterns_entries_join) {
    // the octant, its plane nodes held in one component: some nodes keep two free, the corners one
    const dorvan_tests::problem p = pressurised_sheets::octant(5, 0.01);
    melvar::model m = input_text::read_melvar(dorvan_tests::input_text(p));
    (void)melvar::program::start(m);
    const sheet::assembly_plan plan(m);
    const std::int32_t free = m.numbering.free_count;
    std::vector<std::int32_t> group(plan.component().size());
    for (std::size_t k = 0; k < group.size(); ++k) group[k] = plan.component()[k] / 3;
    std::vector<std::size_t> start;
    std::vector<std::int32_t> links;
    sheet::element_links(plan.table(), plan.element_count(), group, start, links);
    // from the pattern: the groups of every stored entry's row and column
    const sheet::hessian_pattern pattern(plan.table(), plan.element_count(), free, free, 9);
    std::vector<std::size_t> entry_start;
    std::vector<std::int32_t> entry_links;
    sheet::matrix_links(pattern.shape(), group, entry_start, entry_links);
    EXPECT_GT(links.size(), 0u);
    EXPECT_EQ(neighbours(start, links), neighbours(entry_start, entry_links));
}

TEST(ordering, an_order_made_apart_factorises_as_the_analysis_with_the_groups_does) {
    // a grid of 40 x 40 unknowns in groups of two, joined as the matrix joins them
    const int side = 40;
    const sheet::symmetric_matrix a = testing_support::grid_laplacian(side, 0.3);
    std::vector<std::int32_t> groups(static_cast<std::size_t>(a.n));
    for (std::size_t k = 0; k < groups.size(); ++k) groups[k] = static_cast<std::int32_t>(k / 2);
    std::vector<std::size_t> start;
    std::vector<std::int32_t> links;
    sheet::matrix_links(a, groups, start, links);
    const std::vector<std::int32_t> order = sheet::grouped_order(groups, start, links);
    // every unknown once, each group's two together and ascending
    ASSERT_EQ(order.size(), groups.size());
    std::vector<std::int32_t> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t k = 0; k < sorted.size(); ++k) EXPECT_EQ(sorted[k], std::int32_t(k));
    for (std::size_t k = 0; k < order.size(); k += 2) EXPECT_EQ(order[k] + 1, order[k + 1]);
    sheet::cholesky given(a, sheet::cholesky::ordered{order});
    sheet::cholesky by_groups(a, groups);
    ASSERT_TRUE(given.factor(a));
    ASSERT_TRUE(by_groups.factor(a));
    std::vector<double> b(static_cast<std::size_t>(a.n)), x(b.size()), y(b.size());
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = std::sin(0.02 * static_cast<double>(i));
    given.solve(b, x);
    by_groups.solve(b, y);
    EXPECT_EQ(std::memcmp(x.data(), y.data(), x.size() * sizeof(double)), 0);
}

}  // namespace
