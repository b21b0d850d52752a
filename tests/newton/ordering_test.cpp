// The factor's structure made apart from the matrix: the nodes that the elements join are those
// the pattern's entries join, and the structure found for them is the one a factor's own
// analysis with the groups finds, giving the same factor to the bit; groups of any size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "melvar/program.hpp"
#include "sheet/assembly/assembly_plan.hpp"
#include "sheet/failure.hpp"
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

// The structure's promises: its order takes every unknown once, each group's together and
// ascending; every supernode's columns are whole groups, and its rows begin with its columns.
void expect_whole_groups(const sheet::supernodal_structure& made,
                         const std::vector<std::int32_t>& groups) {
    const std::vector<std::int32_t>& order = made.order;
    ASSERT_EQ(order.size(), groups.size());
    std::vector<std::int32_t> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t k = 0; k < sorted.size(); ++k) ASSERT_EQ(sorted[k], std::int32_t(k));
    const auto group_at = [&](std::int32_t place) {
        return groups[static_cast<std::size_t>(order[static_cast<std::size_t>(place)])];
    };
    for (std::size_t k = 1; k < order.size(); ++k)
        if (group_at(std::int32_t(k)) == group_at(std::int32_t(k - 1)))
            EXPECT_EQ(order[k - 1] + 1, order[k]);
    for (std::size_t s = 0; s + 1 < made.first_column.size(); ++s) {
        const std::int32_t first = made.first_column[s], end = made.first_column[s + 1];
        ASSERT_LT(first, end);
        if (first > 0) EXPECT_NE(group_at(first - 1), group_at(first)) << s;
        if (end < std::int32_t(order.size())) EXPECT_NE(group_at(end - 1), group_at(end)) << s;
        for (std::int32_t c = first; c < end; ++c)
            EXPECT_EQ(made.rows[static_cast<std::size_t>(made.row_start[s] + c - first)], c);
    }
}

// grouped_analysis for the groups that a's entries join
sheet::supernodal_structure analysed(const sheet::symmetric_matrix& a,
                                     const std::vector<std::int32_t>& groups) {
    std::vector<std::size_t> start;
    std::vector<std::int32_t> links;
    sheet::matrix_links(a, groups, start, links);
    std::optional<sheet::supernodal_structure> made = sheet::grouped_analysis(groups, start, links);
    EXPECT_TRUE(made.has_value());
    return made ? std::move(*made) : sheet::supernodal_structure{};
}

std::vector<double> solved(sheet::cholesky& f, const sheet::symmetric_matrix& a) {
    std::vector<double> b(static_cast<std::size_t>(a.n)), x(b.size());
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = std::sin(0.02 * static_cast<double>(i));
    EXPECT_TRUE(f.factor(a));
    f.solve(b, x);
    return x;
}

TEST(ordering, a_structure_made_apart_factorises_as_the_analysis_with_the_groups_does) {
    // a grid of 40 x 40 unknowns in groups of two, joined as the matrix joins them
    const sheet::symmetric_matrix a = testing_support::grid_laplacian(40, 0.3);
    std::vector<std::int32_t> groups(static_cast<std::size_t>(a.n));
    for (std::size_t k = 0; k < groups.size(); ++k) groups[k] = static_cast<std::int32_t>(k / 2);
    sheet::supernodal_structure made = analysed(a, groups);
    expect_whole_groups(made, groups);
    sheet::cholesky given(a, std::move(made));
    sheet::cholesky by_groups(a, groups);
    const std::vector<double> x = solved(given, a), y = solved(by_groups, a);
    EXPECT_EQ(std::memcmp(x.data(), y.data(), x.size() * sizeof(double)), 0);
}

TEST(ordering, groups_of_one_to_three_unknowns_with_unused_numbers_between_give_a_true_factor) {
    // The grid's unknowns in groups of 3, 1 and 2 in turn, every fourth group number unused:
    // the matrix joins only some of the unknowns of linked groups, so the structure has room
    // for zeros. Its factor solves as the factor of the matrix's own analysis does.
    const sheet::symmetric_matrix a = testing_support::grid_laplacian(30, 0.1);
    std::vector<std::int32_t> groups;
    const int sizes[] = {3, 1, 2};
    for (std::int32_t g = 0, k = 0; groups.size() < static_cast<std::size_t>(a.n); ++g) {
        if (g % 4 == 3) continue;
        for (int m = 0; m < sizes[k % 3] && groups.size() < static_cast<std::size_t>(a.n); ++m)
            groups.push_back(g);
        ++k;
    }
    sheet::supernodal_structure made = analysed(a, groups);
    expect_whole_groups(made, groups);
    sheet::cholesky grouped(a, std::move(made));
    sheet::cholesky own(a);
    const std::vector<double> x = solved(grouped, a), y = solved(own, a);
    double largest = 0.0, difference = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        largest = std::max(largest, std::abs(y[i]));
        difference = std::max(difference, std::abs(x[i] - y[i]));
    }
    EXPECT_GT(largest, 0.1);
    EXPECT_LT(difference, 1e-13 * largest);
}

TEST(ordering, a_structure_for_another_matrix_and_groups_beyond_the_links_are_refused) {
    const sheet::symmetric_matrix a = testing_support::grid_laplacian(6, 0.1);
    const sheet::symmetric_matrix b = testing_support::grid_laplacian(7, 0.1);
    std::vector<std::int32_t> groups(static_cast<std::size_t>(a.n));
    for (std::size_t k = 0; k < groups.size(); ++k) groups[k] = static_cast<std::int32_t>(k);
    EXPECT_THROW(sheet::cholesky(b, analysed(a, groups)), sheet::failure);
    // and groups beyond the links' count
    std::vector<std::size_t> start{0, 0};
    std::vector<std::int32_t> links;
    EXPECT_THROW((void)sheet::grouped_analysis(std::vector<std::int32_t>{0, 1}, start, links),
                 sheet::failure);
}

TEST(ordering, no_unknowns_give_an_empty_structure_and_a_factor_of_nothing) {
    const std::vector<std::int32_t> groups;
    std::vector<std::size_t> start{0};
    std::vector<std::int32_t> links;
    std::optional<sheet::supernodal_structure> made = sheet::grouped_analysis(groups, start, links);
    ASSERT_TRUE(made.has_value());
    EXPECT_TRUE(made->order.empty());
    const sheet::symmetric_matrix empty{};
    sheet::cholesky f(empty, std::move(*made));
    EXPECT_TRUE(f.factor(empty));
}

}  // namespace
