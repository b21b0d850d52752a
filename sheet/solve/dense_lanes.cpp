// A supernode's dense work over vector lanes: this file is compiled once per instruction set,
// and the widest the machine has runs (lane_choice.hpp).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "sheet/solve/dense_lanes.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "sheet/assembly/upper_halves-inl.hpp"
#include "sheet/solve/dense_lanes.hpp"

HWY_BEFORE_NAMESPACE();
namespace sheet::dense::HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;
using sheet::HWY_NAMESPACE::clear_upper_halves;

// The rows [i, i + blocks lanes) of the columns j .. j + width - 1 of c: width x blocks running
// sums in registers, one term of each added per column of a.
template <std::size_t width, std::size_t blocks>
HWY_INLINE void tile(std::size_t i, std::size_t j, std::size_t rows, std::size_t depth,
                     const double* a, std::size_t lda, double* c) {
    const hn::ScalableTag<double> d;
    const std::size_t lanes = hn::Lanes(d);
    hn::Vec<decltype(d)> sum[width][blocks];
    for (std::size_t w = 0; w < width; ++w)
        for (std::size_t b = 0; b < blocks; ++b) sum[w][b] = hn::Zero(d);
    for (std::size_t k = 0; k < depth; ++k) {
        const double* column = a + k * lda;
        hn::Vec<decltype(d)> left[blocks];
        for (std::size_t b = 0; b < blocks; ++b) left[b] = hn::LoadU(d, column + i + b * lanes);
        for (std::size_t w = 0; w < width; ++w) {
            const auto right = hn::Set(d, column[j + w]);
            for (std::size_t b = 0; b < blocks; ++b)
                sum[w][b] = hn::Add(sum[w][b], hn::Mul(left[b], right));
        }
    }
    for (std::size_t w = 0; w < width; ++w)
        for (std::size_t b = 0; b < blocks; ++b)
            hn::StoreU(sum[w][b], d, c + (j + w) * rows + i + b * lanes);
}

// The columns j .. j + width - 1 of c from their diagonal down: two vectors of rows at a time,
// then one, then row by row.
template <std::size_t width>
HWY_INLINE void columns_of(std::size_t j, std::size_t rows, std::size_t depth, const double* a,
                           std::size_t lda, double* c) {
    const hn::ScalableTag<double> d;
    const std::size_t lanes = hn::Lanes(d);
    std::size_t i = j;
    for (; i + 2 * lanes <= rows; i += 2 * lanes) tile<width, 2>(i, j, rows, depth, a, lda, c);
    for (; i + lanes <= rows; i += lanes) tile<width, 1>(i, j, rows, depth, a, lda, c);
    for (; i < rows; ++i)
        for (std::size_t w = 0; w < width; ++w) {
            double sum = 0.0;
            for (std::size_t k = 0; k < depth; ++k) sum = sum + a[k * lda + i] * a[k * lda + j + w];
            c[(j + w) * rows + i] = sum;
        }
}

void lower_product(std::size_t rows, std::size_t columns, std::size_t depth, const double* a,
                   std::size_t lda, double* c) {
    std::size_t j = 0;
    for (; j + 4 <= columns; j += 4) columns_of<4>(j, rows, depth, a, lda, c);
    switch (columns - j) {
        case 3:
            columns_of<3>(j, rows, depth, a, lda, c);
            break;
        case 2:
            columns_of<2>(j, rows, depth, a, lda, c);
            break;
        case 1:
            columns_of<1>(j, rows, depth, a, lda, c);
            break;
        default:
            break;
    }
    clear_upper_halves();
}

// x(i, j) := x(i, j) - x(i, k) m(j, k) for k = first .. end - 1 in ascending order, for the
// rows [top, rows) of the columns j .. j + width - 1 (x and m column by column, strides ldx and
// ldm): blocks vectors of rows at a time, width x blocks entries in registers.
template <std::size_t width, std::size_t blocks>
HWY_INLINE void less_tile(std::size_t i, std::size_t j, std::size_t first, std::size_t end,
                          double* x, std::size_t ldx, const double* m, std::size_t ldm) {
    const hn::ScalableTag<double> d;
    const std::size_t lanes = hn::Lanes(d);
    hn::Vec<decltype(d)> entry[width][blocks];
    for (std::size_t w = 0; w < width; ++w)
        for (std::size_t b = 0; b < blocks; ++b)
            entry[w][b] = hn::LoadU(d, x + (j + w) * ldx + i + b * lanes);
    for (std::size_t k = first; k < end; ++k) {
        hn::Vec<decltype(d)> left[blocks];
        for (std::size_t b = 0; b < blocks; ++b)
            left[b] = hn::LoadU(d, x + k * ldx + i + b * lanes);
        for (std::size_t w = 0; w < width; ++w) {
            const auto right = hn::Set(d, m[k * ldm + j + w]);
            for (std::size_t b = 0; b < blocks; ++b)
                entry[w][b] = hn::Sub(entry[w][b], hn::Mul(left[b], right));
        }
    }
    for (std::size_t w = 0; w < width; ++w)
        for (std::size_t b = 0; b < blocks; ++b)
            hn::StoreU(entry[w][b], d, x + (j + w) * ldx + i + b * lanes);
}

template <std::size_t width>
HWY_INLINE void less_columns(std::size_t top, std::size_t rows, std::size_t j, std::size_t first,
                             std::size_t end, double* x, std::size_t ldx, const double* m,
                             std::size_t ldm) {
    const hn::ScalableTag<double> d;
    const std::size_t lanes = hn::Lanes(d);
    std::size_t i = top;
    for (; i + 2 * lanes <= rows; i += 2 * lanes)
        less_tile<width, 2>(i, j, first, end, x, ldx, m, ldm);
    for (; i + lanes <= rows; i += lanes) less_tile<width, 1>(i, j, first, end, x, ldx, m, ldm);
    for (; i < rows; ++i)
        for (std::size_t w = 0; w < width; ++w) {
            double entry = x[(j + w) * ldx + i];
            for (std::size_t k = first; k < end; ++k)
                entry = entry - x[k * ldx + i] * m[k * ldm + j + w];
            x[(j + w) * ldx + i] = entry;
        }
}

// The columns j .. j + width - 1 (width at most 4) of x less their products with the columns
// first .. end - 1, over the rows [top, rows).
HWY_INLINE void less_products(std::size_t top, std::size_t rows, std::size_t j, std::size_t width,
                              std::size_t first, std::size_t end, double* x, std::size_t ldx,
                              const double* m, std::size_t ldm) {
    if (first >= end || top >= rows) return;
    switch (width) {
        case 4:
            less_columns<4>(top, rows, j, first, end, x, ldx, m, ldm);
            break;
        case 3:
            less_columns<3>(top, rows, j, first, end, x, ldx, m, ldm);
            break;
        case 2:
            less_columns<2>(top, rows, j, first, end, x, ldx, m, ldm);
            break;
        default:
            less_columns<1>(top, rows, j, first, end, x, ldx, m, ldm);
            break;
    }
}

// x(i, j) := x(i, j) / divisor over the rows [top, rows) of column j.
HWY_INLINE void divide_column(std::size_t top, std::size_t rows, double* column, double divisor) {
    const hn::ScalableTag<double> d;
    const std::size_t lanes = hn::Lanes(d);
    const auto by = hn::Set(d, divisor);
    std::size_t i = top;
    for (; i + lanes <= rows; i += lanes)
        hn::StoreU(hn::Div(hn::LoadU(d, column + i), by), d, column + i);
    for (; i < rows; ++i) column[i] = column[i] / divisor;
}

// Four columns at a time: each less its products with every column before the four, in
// registers; then within the four, one column after another.
bool cholesky_in_place(std::size_t n, double* a, std::size_t lda) {
    for (std::size_t j0 = 0; j0 < n; j0 += 4) {
        const std::size_t width = std::min<std::size_t>(4, n - j0);
        less_products(j0, n, j0, width, 0, j0, a, lda, a, lda);
        for (std::size_t j = j0; j < j0 + width; ++j) {
            less_products(j, n, j, 1, j0, j, a, lda, a, lda);
            const double pivot = a[j * lda + j];
            if (!(pivot > 0.0)) {
                clear_upper_halves();
                return false;
            }
            const double root = std::sqrt(pivot);
            a[j * lda + j] = root;
            divide_column(j + 1, n, a + j * lda, root);
        }
    }
    clear_upper_halves();
    return true;
}

void solve_by_transposed(std::size_t rows, std::size_t n, const double* l, double* b,
                         std::size_t ld) {
    for (std::size_t j0 = 0; j0 < n; j0 += 4) {
        const std::size_t width = std::min<std::size_t>(4, n - j0);
        less_products(0, rows, j0, width, 0, j0, b, ld, l, ld);
        for (std::size_t j = j0; j < j0 + width; ++j) {
            less_products(0, rows, j, 1, j0, j, b, ld, l, ld);
            divide_column(0, rows, b + j * ld, l[j * ld + j]);
        }
    }
    clear_upper_halves();
}

}  // namespace sheet::dense::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include "sheet/assembly/lane_choice.hpp"

namespace sheet::dense {

SHEET_LANE_EXPORT(lower_product);
SHEET_LANE_EXPORT(cholesky_in_place);
SHEET_LANE_EXPORT(solve_by_transposed);

void lower_product(std::size_t rows, std::size_t columns, std::size_t depth, const double* a,
                   std::size_t lda, double* c) {
    SHEET_LANE_DISPATCH(lower_product)(rows, columns, depth, a, lda, c);
}

bool cholesky_in_place(std::size_t n, double* a, std::size_t lda) {
    return SHEET_LANE_DISPATCH(cholesky_in_place)(n, a, lda);
}

void solve_by_transposed(std::size_t rows, std::size_t n, const double* l, double* b,
                         std::size_t ld) {
    SHEET_LANE_DISPATCH(solve_by_transposed)(rows, n, l, b, ld);
}

}  // namespace sheet::dense
#endif
