// The supernodal solve by parts of the factor's tree.
#include "sheet/solve/supernodal_solve.hpp"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "sheet/assembly/worker_pool.hpp"

namespace sheet {

namespace {

// The subtrees the tree is cut into, at least where it can be: a fixed number, so that the cut,
// and with it every bit of a solution, is the same for any number of threads. More parts put
// more separators into the top, which one thread solves: at 300 x 300 nodes the top holds 6 %
// of the factor's entries with 3 parts, 8 % with 4 and 17 % with 9.
constexpr std::size_t part_target = 4;

// Below this many entries of the factor one thread solves: the solve is over before the
// workers would have woken.
constexpr std::int64_t parallel_from = 1 << 18;

// Two doubles side by side (GCC's and Clang's vector extension): each lane does what the
// scalar code does, on any CPU.
using pair = double __attribute__((vector_size(16)));

pair load(const double* p) {
    pair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// sum of a[k] b[k], k < n, in four running sums (k mod 4), added pairwise at the end
[[gnu::always_inline]] inline double dot(const double* a, const double* b, std::size_t n) {
    pair low = {0.0, 0.0}, high = {0.0, 0.0};
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        low = low + load(a + k) * load(b + k);
        high = high + load(a + k + 2) * load(b + k + 2);
    }
    double sum[4] = {low[0], low[1], high[0], high[1]};
    for (std::size_t l = 0; k < n; ++k, ++l) sum[l] = sum[l] + a[k] * b[k];
    return (sum[0] + sum[1]) + (sum[2] + sum[3]);
}

// out[c] = dot(a + c stride, b, n) for the four columns c, each summed as dot sums, b read once
void dots_of_four(const double* a, std::size_t stride, const double* b, std::size_t n,
                  double* out) {
    pair low[4] = {}, high[4] = {};
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        const pair b_low = load(b + k), b_high = load(b + k + 2);
        for (std::size_t c = 0; c < 4; ++c) {
            low[c] = low[c] + load(a + c * stride + k) * b_low;
            high[c] = high[c] + load(a + c * stride + k + 2) * b_high;
        }
    }
    for (std::size_t c = 0; c < 4; ++c) {
        const double* column = a + c * stride;
        double sum[4] = {low[c][0], low[c][1], high[c][0], high[c][1]};
        for (std::size_t m = k, l = 0; m < n; ++m, ++l) sum[l] = sum[l] + column[m] * b[m];
        out[c] = (sum[0] + sum[1]) + (sum[2] + sum[3]);
    }
}

}  // namespace

supernodal_solve::supernodal_solve(const supernodal_layout& layout) : layout_(layout) {
    const auto supernodes = static_cast<std::int32_t>(layout.first_column.size()) - 1;
    const auto n = layout.order.size();
    const auto count = static_cast<std::size_t>(std::max(supernodes, 0));
    std::vector<std::int64_t> work(count);
    for (std::size_t s = 0; s < count; ++s) {
        const std::int32_t columns = layout.first_column[s + 1] - layout.first_column[s];
        const std::int32_t rows = layout.row_start[s + 1] - layout.row_start[s];
        work[s] = static_cast<std::int64_t>(rows) * columns;
        work_size_ = std::max(work_size_, static_cast<std::size_t>(rows));
        entries_ += work[s];
    }
    for (const subtree& p : cut_tree(tree_of(layout), work, part_target))
        parts_.push_back({p.first, p.end});
    std::vector<char> in_top(count, 1);
    for (const part& p : parts_) std::fill(in_top.begin() + p.first, in_top.begin() + p.end, 0);
    top_index_.assign(n, -1);
    for (std::int32_t s = 0; s < supernodes; ++s) {
        const auto u = static_cast<std::size_t>(s);
        if (!in_top[u]) continue;
        top_.push_back(s);
        for (std::int32_t c = layout.first_column[u]; c < layout.first_column[u + 1]; ++c) {
            top_index_[static_cast<std::size_t>(c)] =
                static_cast<std::int32_t>(top_columns_.size());
            top_columns_.push_back(c);
        }
    }
    buffers_.assign(parts_.size(), std::vector<double>(top_columns_.size()));
    work_.assign(parts_.size() + 1, std::vector<double>(2 * work_size_));
    y_.resize(n);
}

supernodal_solve::supernode supernodal_solve::at(std::size_t s) const {
    const auto first = static_cast<std::size_t>(layout_.first_column[s]);
    return {first, static_cast<std::size_t>(layout_.first_column[s + 1]) - first,
            static_cast<std::size_t>(layout_.row_start[s + 1] - layout_.row_start[s]),
            layout_.rows.data() + layout_.row_start[s], values_ + layout_.value_start[s]};
}

void supernodal_solve::take(std::span<const double> values) {
    values_ = values.data();
    reciprocal_.resize(layout_.order.size());
    for (std::size_t s = 0; s + 1 < layout_.first_column.size(); ++s) {
        const supernode n = at(s);
        for (std::size_t j = 0; j < n.columns; ++j)
            reciprocal_[n.first + j] = 1.0 / n.l[j * n.rows + j];
    }
}

void supernodal_solve::forward(std::int32_t s, double* y, double* buffer,
                               std::vector<double>& work) const {
    const auto [first, columns, rows, row, l] = at(static_cast<std::size_t>(s));
    double* x = y + first;
    for (std::size_t j = 0; j < columns; ++j) {
        const double* column = l + j * rows;
        const double xj = x[j] * reciprocal_[first + j];
        x[j] = xj;
        for (std::size_t k = j + 1; k < columns; ++k) x[k] = x[k] - column[k] * xj;
    }
    const std::size_t below = rows - columns;
    if (below == 0) return;
    double* sum = work.data();
    std::fill(sum, sum + below, 0.0);
    // each sum over the columns in order, four columns to a pass over the sums
    std::size_t j = 0;
    for (; j + 4 <= columns; j += 4) {
        const double* l0 = l + j * rows + columns;
        const double *l1 = l0 + rows, *l2 = l1 + rows, *l3 = l2 + rows;
        const double x0 = x[j], x1 = x[j + 1], x2 = x[j + 2], x3 = x[j + 3];
        for (std::size_t k = 0; k < below; ++k)
            sum[k] = (((sum[k] + l0[k] * x0) + l1[k] * x1) + l2[k] * x2) + l3[k] * x3;
    }
    for (; j < columns; ++j) {
        const double* column = l + j * rows + columns;
        const double xj = x[j];
        for (std::size_t k = 0; k < below; ++k) sum[k] = sum[k] + column[k] * xj;
    }
    for (std::size_t k = 0; k < below; ++k) {
        const auto r = static_cast<std::size_t>(row[columns + k]);
        const std::int32_t place = buffer == nullptr ? -1 : top_index_[r];
        if (place >= 0)
            buffer[place] = buffer[place] + sum[k];
        else
            y[r] = y[r] - sum[k];
    }
}

void supernodal_solve::backward(std::int32_t s, double* y, std::vector<double>& work) const {
    const auto [first, columns, rows, row, l] = at(static_cast<std::size_t>(s));
    double* v = work.data();
    double* from_below = v + work_size_;  // each column's sum over the rows below
    for (std::size_t k = 0; k < rows; ++k) v[k] = y[static_cast<std::size_t>(row[k])];
    const std::size_t below = rows - columns;
    std::size_t j = 0;
    for (; j + 4 <= columns; j += 4)
        dots_of_four(l + j * rows + columns, rows, v + columns, below, from_below + j);
    for (; j < columns; ++j) from_below[j] = dot(l + j * rows + columns, v + columns, below);
    for (std::size_t j = columns; j-- > 0;) {
        const double* column = l + j * rows;
        v[j] = (v[j] - (dot(column + j + 1, v + j + 1, columns - j - 1) + from_below[j])) *
               reciprocal_[first + j];
    }
    for (std::size_t j = 0; j < columns; ++j) y[first + j] = v[j];
}

void supernodal_solve::solve(std::span<const double> b, std::span<double> x, bool on_workers) {
    const std::size_t n = layout_.order.size();
    double* y = y_.data();
    for (std::size_t k = 0; k < n; ++k) y[k] = b[static_cast<std::size_t>(layout_.order[k])];
    const bool side_by_side = on_workers && entries_ >= parallel_from && parts_.size() > 1;
    run_tasks_if(side_by_side, parts_.size(), [&](std::size_t p) {
        std::vector<double>& buffer = buffers_[p];
        std::fill(buffer.begin(), buffer.end(), 0.0);
        for (std::int32_t s = parts_[p].first; s < parts_[p].end; ++s)
            forward(s, y, buffer.data(), work_[p]);
    });
    for (std::size_t p = 0; p < parts_.size(); ++p)
        for (std::size_t i = 0; i < top_columns_.size(); ++i) {
            const auto c = static_cast<std::size_t>(top_columns_[i]);
            y[c] = y[c] - buffers_[p][i];
        }
    for (const std::int32_t s : top_) forward(s, y, nullptr, work_.back());
    for (auto s = top_.rbegin(); s != top_.rend(); ++s) backward(*s, y, work_.back());
    run_tasks_if(side_by_side, parts_.size(), [&](std::size_t p) {
        for (std::int32_t s = parts_[p].end; s-- > parts_[p].first;) backward(s, y, work_[p]);
    });
    for (std::size_t k = 0; k < n; ++k) x[static_cast<std::size_t>(layout_.order[k])] = y[k];
}

}  // namespace sheet
