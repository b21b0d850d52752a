// Our sparse symmetric matrix: its upper triangle in compressed columns, 0-based, rows ascending
// within each column. The Newton step's matrices are of this type; the Cholesky wrapper takes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sheet {

struct symmetric_matrix {
    std::int32_t n = 0;                      // rows and columns
    std::vector<std::int32_t> column_start;  // n + 1 entries: column j is [start[j], start[j + 1])
    std::vector<std::int32_t> row;           // row of each stored entry, at most its column
    std::vector<double> value;               // the entry

    std::size_t stored() const { return row.size(); }
};

// y = A x with A symmetric, of shape's pattern with the stored values, from its stored upper
// triangle: every y(i) is summed column after column, in ascending order, from 0.0, so the
// product is the same on every run.
inline void multiply(const symmetric_matrix& shape, std::span<const double> values,
                     std::span<const double> x, std::span<double> y) {
    for (std::int32_t i = 0; i < shape.n; ++i) y[static_cast<std::size_t>(i)] = 0.0;
    for (std::int32_t j = 0; j < shape.n; ++j) {
        const auto jj = static_cast<std::size_t>(j);
        double column = 0.0;  // of y(j): row j of the lower triangle, the stored column's mirror
        for (std::int32_t k = shape.column_start[jj]; k < shape.column_start[jj + 1]; ++k) {
            const auto i = static_cast<std::size_t>(shape.row[static_cast<std::size_t>(k)]);
            const double entry = values[static_cast<std::size_t>(k)];
            if (i == jj) {
                column = column + entry * x[jj];
            } else {
                y[i] = y[i] + entry * x[jj];
                column = column + entry * x[i];
            }
        }
        y[jj] = y[jj] + column;
    }
}

inline void multiply(const symmetric_matrix& a, std::span<const double> x, std::span<double> y) {
    multiply(a, a.value, x, y);
}

// x' A x for the matrix of shape's pattern with the stored values, from its stored upper triangle:
// each column's entries in ascending order, a diagonal entry once and another twice, the
// columns' sums added in ascending order from 0.0.
// The stored values come from value(k), asked once for every entry k in ascending order.
template <class Value>
double quadratic_form_by(const symmetric_matrix& shape, Value&& value, std::span<const double> x) {
    double sum = 0.0;
    for (std::int32_t j = 0; j < shape.n; ++j) {
        const auto jj = static_cast<std::size_t>(j);
        double column = 0.0;
        for (std::int32_t k = shape.column_start[jj]; k < shape.column_start[jj + 1]; ++k) {
            const auto i = static_cast<std::size_t>(shape.row[static_cast<std::size_t>(k)]);
            const double entry = value(static_cast<std::size_t>(k)) * x[i];
            column = column + (i == jj ? entry : 2.0 * entry);
        }
        sum = sum + column * x[jj];
    }
    return sum;
}

inline double quadratic_form(const symmetric_matrix& shape, std::span<const double> values,
                             std::span<const double> x) {
    return quadratic_form_by(
        shape, [values](std::size_t k) { return values[k]; }, x);
}

}  // namespace sheet
