// The left-looking supernodal factorisation.
#include "sheet/solve/supernodal_factor.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>

#include "sheet/assembly/worker_pool.hpp"
#include "sheet/failure.hpp"
#include "sheet/solve/dense_lanes.hpp"

namespace sheet {

namespace {

// Below this many entries of the factor one thread factorises: the work is over before the
// workers would have woken.
constexpr std::size_t parallel_from = std::size_t{1} << 18;

// Entries of the factor, or of the matrix, filled by one task.
constexpr std::size_t fill_block = std::size_t{1} << 20;

// Subtrees per worker: more put more of the factor into the waves above them, fewer leave a
// worker idle when the subtrees differ in size.
constexpr std::size_t parts_per_worker = 4;

std::size_t at(std::span<const std::int32_t> v, std::size_t i) {
    return static_cast<std::size_t>(v[i]);
}

}  // namespace

supernodal_factor::supernodal_factor(const supernodal_layout& layout,
                                     const symmetric_matrix& pattern)
    : layout_(layout), tree_(tree_of(layout)) {
    const std::size_t supernodes = layout.first_column.size() - 1;
    const std::size_t n = layout.order.size();
    if (static_cast<std::size_t>(pattern.n) != n)
        throw failure("supernodal factor: a matrix of another size than its layout");
    size_ = at(layout.value_start, supernodes);
    std::vector<std::int32_t> supernode_of(n), place_of(n);
    for (std::size_t s = 0; s < supernodes; ++s)
        for (std::size_t c = at(layout.first_column, s); c < at(layout.first_column, s + 1); ++c)
            supernode_of[c] = static_cast<std::int32_t>(s);
    for (std::size_t k = 0; k < n; ++k)
        place_of[at(layout.order, k)] = static_cast<std::int32_t>(k);
    // each stored entry's column and row in the lower triangle of P A P', the entries by
    // column (a counting sort), then each one's place among the factor's entries
    const std::size_t stored = pattern.stored();
    std::vector<std::int32_t> row_of(stored), by_column(stored);
    std::vector<std::size_t> column_start(n + 1, 0);
    place_.resize(stored);  // the column, until the places are known
    for (std::size_t j = 0; j < n; ++j)
        for (auto e = static_cast<std::size_t>(pattern.column_start[j]);
             e < static_cast<std::size_t>(pattern.column_start[j + 1]); ++e) {
            const std::int32_t a = place_of[j];
            const std::int32_t b = place_of[static_cast<std::size_t>(pattern.row[e])];
            place_[e] = std::min(a, b);
            row_of[e] = std::max(a, b);
            ++column_start[static_cast<std::size_t>(place_[e]) + 1];
        }
    for (std::size_t c = 0; c < n; ++c) column_start[c + 1] += column_start[c];
    {
        std::vector<std::size_t> fill(column_start.begin(), column_start.end() - 1);
        for (std::size_t e = 0; e < stored; ++e)
            by_column[fill[static_cast<std::size_t>(place_[e])]++] = static_cast<std::int32_t>(e);
    }
    std::vector<std::int32_t> local(n, -1), owner(n, -1);
    for (std::size_t s = 0; s < supernodes; ++s) {
        const auto rows = static_cast<std::size_t>(layout.row_start[s + 1] - layout.row_start[s]);
        const std::int32_t* row = layout.rows.data() + layout.row_start[s];
        for (std::size_t k = 0; k < rows; ++k) {
            local[static_cast<std::size_t>(row[k])] = static_cast<std::int32_t>(k);
            owner[static_cast<std::size_t>(row[k])] = static_cast<std::int32_t>(s);
        }
        const std::size_t first = at(layout.first_column, s);
        for (std::size_t c = first; c < at(layout.first_column, s + 1); ++c)
            for (std::size_t g = column_start[c]; g < column_start[c + 1]; ++g) {
                const auto e = static_cast<std::size_t>(by_column[g]);
                const auto r = static_cast<std::size_t>(row_of[e]);
                if (owner[r] != static_cast<std::int32_t>(s))
                    throw failure("supernodal factor: an entry of the matrix outside its factor");
                place_[e] =
                    static_cast<std::int32_t>(at(layout.value_start, s) + (c - first) * rows +
                                              static_cast<std::size_t>(local[r]));
            }
    }
    // the updates: supernode d reaches supernode t with its rows in t's columns, a run of them
    update_start_.assign(supernodes + 1, 0);
    const auto runs = [&](auto&& take) {
        for (std::size_t d = 0; d < supernodes; ++d) {
            const std::size_t columns = at(layout.first_column, d + 1) - at(layout.first_column, d);
            const std::int32_t* row = layout.rows.data() + layout.row_start[d];
            const auto rows =
                static_cast<std::size_t>(layout.row_start[d + 1] - layout.row_start[d]);
            for (std::size_t p = columns; p < rows;) {
                const auto t =
                    static_cast<std::size_t>(supernode_of[static_cast<std::size_t>(row[p])]);
                std::size_t q = p;
                while (q < rows && row[q] < layout.first_column[t + 1]) ++q;
                take(t, update{static_cast<std::int32_t>(d), static_cast<std::int32_t>(p),
                               static_cast<std::int32_t>(q)});
                p = q;
            }
        }
    };
    runs([&](std::size_t t, const update&) { ++update_start_[t + 1]; });
    for (std::size_t s = 0; s < supernodes; ++s) update_start_[s + 1] += update_start_[s];
    updates_.resize(update_start_[supernodes]);
    {
        std::vector<std::size_t> fill(update_start_.begin(), update_start_.end() - 1);
        runs([&](std::size_t t, const update& u) { updates_[fill[t]++] = u; });
    }
    // the work of each: its own block's factorisation and solve, and the products it takes
    work_.resize(supernodes);
    for (std::size_t s = 0; s < supernodes; ++s) {
        const auto columns =
            static_cast<std::int64_t>(layout.first_column[s + 1] - layout.first_column[s]);
        const auto rows = static_cast<std::int64_t>(layout.row_start[s + 1] - layout.row_start[s]);
        std::int64_t w = columns * columns * rows;
        for (std::size_t u = update_start_[s]; u < update_start_[s + 1]; ++u) {
            const update& up = updates_[u];
            const auto d = static_cast<std::size_t>(up.from);
            const auto depth =
                static_cast<std::int64_t>(layout.first_column[d + 1] - layout.first_column[d]);
            const auto below =
                static_cast<std::int64_t>(layout.row_start[d + 1] - layout.row_start[d]) - up.first;
            w += static_cast<std::int64_t>(up.end - up.first) * below * depth;
        }
        work_[s] = w;
    }
}

void supernodal_factor::panel(std::size_t s, std::size_t q, buffers& work) {
    const std::size_t first = at(layout_.first_column, s);
    const std::size_t columns = at(layout_.first_column, s + 1) - first;
    const std::size_t begin = q * panel_width, end = std::min(columns, begin + panel_width);
    const std::int32_t* row = layout_.rows.data() + layout_.row_start[s];
    const auto rows = static_cast<std::size_t>(layout_.row_start[s + 1] - layout_.row_start[s]);
    double* const entries = entries_.get();
    double* const l = entries + layout_.value_start[s];
    const auto low = static_cast<std::int32_t>(first + begin);
    const auto high = static_cast<std::int32_t>(first + end);
    for (std::size_t u = update_start_[s]; u < update_start_[s + 1]; ++u) {
        const update& up = updates_[u];
        const auto d = static_cast<std::size_t>(up.from);
        const std::int32_t* from_row = layout_.rows.data() + layout_.row_start[d];
        // its rows in this panel's columns
        const std::int32_t* top = std::lower_bound(from_row + up.first, from_row + up.end, low);
        const std::int32_t* bottom = std::lower_bound(top, from_row + up.end, high);
        if (top == bottom) continue;
        const std::size_t depth = at(layout_.first_column, d + 1) - at(layout_.first_column, d);
        const auto from_rows =
            static_cast<std::size_t>(layout_.row_start[d + 1] - layout_.row_start[d]);
        const auto skip = static_cast<std::size_t>(top - from_row);
        const auto reach = static_cast<std::size_t>(bottom - top);  // the columns it updates
        const std::size_t below = from_rows - skip;                 // the rows it updates
        work.product.resize(std::max(work.product.size(), below * reach));
        work.place.resize(std::max(work.place.size(), below));
        double* const product = work.product.data();
        std::int32_t* const place = work.place.data();
        dense::lower_product(below, reach, depth, entries + layout_.value_start[d] + skip,
                             from_rows, product);
        // each of its rows' place among s's rows: both lists ascend, and s has every one
        std::size_t k = begin;
        for (std::size_t i = 0; i < below; ++i) {
            while (k < rows && row[k] != top[i]) ++k;
            if (k == rows) throw failure("supernodal factor: an update outside its supernode");
            place[i] = static_cast<std::int32_t>(k);
        }
        for (std::size_t j = 0; j < reach; ++j) {
            double* const column = l + static_cast<std::size_t>(place[j]) * rows;
            const double* const c = product + j * below;
            for (std::size_t i = j; i < below; ++i) {
                const auto r = static_cast<std::size_t>(place[i]);
                column[r] = column[r] - c[i];
            }
        }
    }
}

bool supernodal_factor::finish(std::size_t s) {
    const std::size_t columns = at(layout_.first_column, s + 1) - at(layout_.first_column, s);
    const auto rows = static_cast<std::size_t>(layout_.row_start[s + 1] - layout_.row_start[s]);
    double* const l = entries_.get() + layout_.value_start[s];
    if (!dense::cholesky_in_place(columns, l, rows)) return false;
    dense::solve_by_transposed(rows - columns, columns, l, l + columns, rows);
    return true;
}

bool supernodal_factor::factor_one(std::size_t s, buffers& work) {
    for (std::size_t q = 0; q < panels(s); ++q) panel(s, q, work);
    return finish(s);
}

double supernodal_factor::reciprocal_condition() const {
    double least = 0.0, most = 0.0;
    for (std::size_t s = 0; s + 1 < layout_.first_column.size(); ++s) {
        const auto rows = static_cast<std::size_t>(layout_.row_start[s + 1] - layout_.row_start[s]);
        const double* l = entries_.get() + layout_.value_start[s];
        for (std::size_t j = 0; j < at(layout_.first_column, s + 1) - at(layout_.first_column, s);
             ++j) {
            const double d = std::abs(l[j * (rows + 1)]);
            least = s == 0 && j == 0 ? d : std::min(least, d);
            most = std::max(most, d);
        }
    }
    return most > 0.0 ? (least / most) * (least / most) : 0.0;
}

void supernodal_factor::plan_waves() {
    const int workers = worker_count();
    planned_for_ = workers;
    parts_ = cut_tree(tree_, work_, parts_per_worker * static_cast<std::size_t>(workers));
    const std::size_t supernodes = work_.size();
    std::vector<std::int64_t> part_work;
    std::vector<char> in_top(supernodes, 1);
    for (const subtree& p : parts_) {
        std::int64_t sum = 0;
        for (auto s = static_cast<std::size_t>(p.first); s < static_cast<std::size_t>(p.end); ++s) {
            in_top[s] = 0;
            sum += work_[s];
        }
        part_work.push_back(sum);
    }
    std::vector<std::size_t> by_work(parts_.size());
    for (std::size_t p = 0; p < by_work.size(); ++p) by_work[p] = p;
    std::stable_sort(by_work.begin(), by_work.end(),
                     [&](std::size_t a, std::size_t b) { return part_work[a] > part_work[b]; });
    std::vector<subtree> sorted;
    for (const std::size_t p : by_work) sorted.push_back(parts_[p]);
    parts_ = std::move(sorted);
    // the top by height: a supernode's wave follows those of its children in the top
    std::vector<std::size_t> height(supernodes, 0);
    waves_.clear();
    for (std::size_t s = 0; s < supernodes; ++s) {
        if (!in_top[s]) continue;
        if (waves_.size() <= height[s]) waves_.resize(height[s] + 1);
        waves_[height[s]].supernodes.push_back(static_cast<std::int32_t>(s));
        const std::int32_t p = tree_.parent[s];
        if (p >= 0)
            height[static_cast<std::size_t>(p)] =
                std::max(height[static_cast<std::size_t>(p)], height[s] + 1);
    }
    for (wave& w : waves_) {
        std::stable_sort(
            w.supernodes.begin(), w.supernodes.end(), [&](std::int32_t a, std::int32_t b) {
                return work_[static_cast<std::size_t>(a)] > work_[static_cast<std::size_t>(b)];
            });
        for (const std::int32_t s : w.supernodes)
            for (std::size_t q = 0; q < panels(static_cast<std::size_t>(s)); ++q)
                w.panels.push_back({s, static_cast<std::int32_t>(q)});
    }
}

bool supernodal_factor::factor(std::span<const double> values, bool on_workers) {
    if (!entries_) entries_ = std::make_unique_for_overwrite<double[]>(size_);
    const std::size_t supernodes = work_.size();
    const bool side_by_side =
        on_workers && worker_count() > 1 && size_ >= parallel_from && tree_.ordered;
    // the factor's entries: 0, and the matrix's where it has them
    double* const entries = entries_.get();
    run_tasks_if(side_by_side, (size_ + fill_block - 1) / fill_block, [&](std::size_t t) {
        std::fill(entries + t * fill_block, entries + std::min(size_, (t + 1) * fill_block), 0.0);
    });
    run_tasks_if(side_by_side, (place_.size() + fill_block - 1) / fill_block, [&](std::size_t t) {
        for (std::size_t e = t * fill_block; e < std::min(place_.size(), (t + 1) * fill_block); ++e)
            entries[static_cast<std::size_t>(place_[e])] = values[e];
    });
    if (!side_by_side) {
        buffers work;
        for (std::size_t s = 0; s < supernodes; ++s)
            if (!factor_one(s, work)) return false;
        return true;
    }
    if (planned_for_ != worker_count()) plan_waves();
    std::atomic<bool> failed{false};
    run_tasks(parts_.size(), [&](std::size_t p) {
        buffers work;
        for (auto s = static_cast<std::size_t>(parts_[p].first);
             s < static_cast<std::size_t>(parts_[p].end); ++s)
            if (failed.load(std::memory_order_relaxed) || !factor_one(s, work)) {
                failed.store(true, std::memory_order_relaxed);
                return;
            }
    });
    // each wave's panels side by side, then its supernodes' own blocks
    for (const wave& w : waves_) {
        if (failed.load()) break;
        run_tasks(w.panels.size(), [&](std::size_t t) {
            buffers work;
            const auto [s, q] = w.panels[t];
            panel(static_cast<std::size_t>(s), static_cast<std::size_t>(q), work);
        });
        run_tasks(w.supernodes.size(), [&](std::size_t t) {
            if (!finish(static_cast<std::size_t>(w.supernodes[t])))
                failed.store(true, std::memory_order_relaxed);
        });
    }
    return !failed.load();
}

}  // namespace sheet
