// The Newton matrix's pattern and assembly against a dense sum of the element blocks: three
// triangles over five nodes, one component prescribed, every element entry distinct, assembled
// on one thread and on three; the product with the stored triangle and the element vectors too.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sheet/assembly/worker_pool.hpp"
#include "sheet/failure.hpp"
#include "sheet/solve/hessian_assembly.hpp"
#include "sheet/solve/sparse_values.hpp"

namespace {

constexpr int nodes = 5;
constexpr int elements = 3;
constexpr int corners[elements][3] = {{0, 1, 2}, {1, 3, 2}, {3, 4, 2}};

// Node n's components are unknowns 3 n .. 3 n + 2 but node 4's Z, which is prescribed (its
// source ~14, negative); the unknowns are then renumbered to leave no gap (14 free).
sheet::element_columns table_of_sheet() {
    sheet::element_columns table;
    table.stride = elements + sheet::element_columns::padding;
    table.sources.assign(9 * table.stride, 0);
    for (int at = 0; at < elements; ++at)
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j) {
                const int component = 3 * corners[at][l] + j;
                table.sources[(3 * l + j) * table.stride + at] = component == 14 ? ~14 : component;
            }
    return table;
}

// Element at's packed entry p: distinct for every element and place.
double entry(int at, int p) {
    return 1000.0 * (at + 1) + p + 0.25;
}

TEST(hessian_pattern, assembles_the_dense_sum_of_the_element_blocks_for_any_thread_count) {
    const sheet::element_columns table = table_of_sheet();
    const int free_count = 3 * nodes - 1;
    const sheet::hessian_pattern pattern(table, elements, free_count, free_count, 9);
    std::vector<std::vector<double>> dense(free_count, std::vector<double>(free_count, 0.0));
    for (int at = 0; at < elements; ++at)
        for (int a = 0; a < 9; ++a)
            for (int b = 0; b < 9; ++b) {
                const int i = pattern.unknown(at, a), j = pattern.unknown(at, b);
                if (i >= 0 && j >= 0)
                    dense[i][j] += entry(
                        at, a <= b ? sheet::packed_position(a, b) : sheet::packed_position(b, a));
            }
    const auto element = [](std::size_t at, double* packed) {
        for (int p = 0; p < sheet::packed_size(9); ++p) packed[p] = entry(static_cast<int>(at), p);
    };
    std::vector<double> values[2];
    for (int run = 0; run < 2; ++run) {
        sheet::set_worker_count(run == 0 ? 1 : 3);
        std::vector<double> buffer;
        sheet::assemble_hessian(pattern, element, false, buffer, values[run]);
    }
    sheet::set_worker_count(1);
    EXPECT_EQ(values[0], values[1]);
    sheet::symmetric_matrix a = pattern.shape();
    a.value = values[0];
    std::size_t stored = 0;
    for (int j = 0; j < free_count; ++j) {
        for (int k = a.column_start[j]; k < a.column_start[j + 1]; ++k, ++stored) {
            const int i = a.row[k];
            EXPECT_LE(i, j);
            EXPECT_EQ(a.value[k], dense[i][j]) << i << ", " << j;
        }
        for (int i = 0; i <= j; ++i) {  // every entry the elements reach is stored
            bool found = false;
            for (int k = a.column_start[j]; k < a.column_start[j + 1]; ++k) found |= a.row[k] == i;
            EXPECT_EQ(found, dense[i][j] != 0.0) << i << ", " << j;
        }
    }
    EXPECT_EQ(stored, a.stored());

    // y = A x against the dense product, and element vectors summed into their unknowns
    std::vector<double> x(free_count), y(free_count), sums(free_count, 0.5);
    for (int i = 0; i < free_count; ++i) x[i] = 1.0 / (i + 2);
    sheet::multiply(a, x, y);
    std::vector<double> local(elements * 9);
    for (int at = 0; at < elements; ++at)
        for (int l = 0; l < 9; ++l) local[at * 9 + l] = 10.0 * at + l;
    sheet::add_local_vectors(pattern, local, sums);
    for (int i = 0; i < free_count; ++i) {
        double expected = 0.0, summed = 0.5;
        for (int j = 0; j < free_count; ++j)
            expected += (i <= j ? dense[i][j] : dense[j][i]) * x[j];
        for (int at = 0; at < elements; ++at)
            for (int l = 0; l < 9; ++l)
                if (pattern.unknown(at, l) == i) summed += local[at * 9 + l];
        EXPECT_NEAR(y[i], expected, 1e-9 * std::abs(expected)) << i;
        EXPECT_EQ(sums[i], summed) << i;
    }
}

// A fan of triangles around node 0: the entries of node 0's components gather one slot from
// every triangle, and the pattern counts at most 65 535 of them.
sheet::element_columns fan(int triangles) {
    sheet::element_columns table;
    table.stride = static_cast<std::size_t>(triangles) + sheet::element_columns::padding;
    table.sources.assign(9 * table.stride, 0);
    for (int at = 0; at < triangles; ++at) {
        const int corner[3] = {0, at + 1, at + 2};
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j)
                table.sources[(3 * l + j) * table.stride + at] = 3 * corner[l] + j;
    }
    return table;
}

TEST(hessian_pattern, refuses_an_entry_that_more_elements_share_than_it_counts) {
    for (const int triangles : {65535, 65536}) {
        const sheet::element_columns table = fan(triangles);
        const int n = 3 * (triangles + 2);
        const auto make = [&] { sheet::hessian_pattern(table, triangles, n, n, 9); };
        if (triangles == 65535)
            EXPECT_NO_THROW(make());
        else
            EXPECT_THROW(make(), sheet::failure);
    }
}

// The shift's values kept sparse read back as they were, 0.0 where they were zero, across the
// marks' words.
TEST(sparse_values, reads_back_every_value_in_order) {
    std::vector<double> values(200, 0.0);
    for (std::size_t k : {0, 5, 63, 64, 65, 127, 128, 199})
        values[k] = 0.5 + static_cast<double>(k);
    values[70] = -0.0;
    const sheet::sparse_values kept(values);
    sheet::sparse_values::reader read(kept);
    for (std::size_t k = 0; k < values.size(); ++k) {
        const double v = read.next();
        EXPECT_EQ(v, values[k]) << k;
        EXPECT_FALSE(std::signbit(v)) << k;
    }
}

}  // namespace
