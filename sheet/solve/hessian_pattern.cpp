// The Newton matrix's pattern and its entries' contributions, column by column: the elements
// that meet a column, in ascending order, give its rows and then, in the same order, the slots
// that add into each of its entries.
#include "sheet/solve/hessian_pattern.hpp"

#include <algorithm>

#include "sheet/failure.hpp"
#include "sheet/solve/group_links.hpp"

namespace sheet {

hessian_pattern::hessian_pattern(const element_columns& table, std::size_t elements,
                                 std::int32_t free_count, std::int32_t unknown_count,
                                 int local_count)
    : local_count_(local_count), elements_(elements), table_(&table), free_count_(free_count) {
    const auto n = static_cast<std::size_t>(unknown_count);

    // The elements that meet each unknown, ascending: compressed by unknown.
    std::vector<std::int64_t> meet_start(n + 1, 0);
    for (std::size_t at = 0; at < elements; ++at)
        for (int a = 0; a < local_count; ++a)
            if (const std::int32_t k = unknown(at, a); k >= 0)
                ++meet_start[static_cast<std::size_t>(k) + 1];
    for (std::size_t k = 0; k < n; ++k) meet_start[k + 1] += meet_start[k];
    std::vector<std::int64_t> next(meet_start.begin(), meet_start.end() - 1);
    std::vector<std::int32_t> meets(static_cast<std::size_t>(meet_start[n]));
    for (std::size_t at = 0; at < elements; ++at)
        for (int a = 0; a < local_count; ++a) {
            const std::int32_t k = unknown(at, a);
            if (k >= 0)
                meets[static_cast<std::size_t>(next[static_cast<std::size_t>(k)]++)] =
                    static_cast<std::int32_t>(at);
        }

    // Rows of column j: the unknowns up to j of the elements that meet j.
    shape_.n = unknown_count;
    shape_.column_start.assign(n + 1, 0);
    std::vector<std::int64_t> mark(n, -1);  // the column that last took the row
    std::vector<std::int32_t> place(n, 0);  // the row's entry in the current column
    std::vector<std::int32_t> rows;
    std::vector<std::int32_t> count, fill;  // per entry of the column: its slots, then the next
    // Every element adds f (f + 1) / 2 slots for its f free unknowns: room for them all, made
    // at once; the entries, fewer, are counted as they come. Slots and entries are counted in
    // 32-bit numbers, as the factor's pattern is.
    std::size_t total = 0;
    for (std::size_t at = 0; at < elements; ++at) {
        std::size_t f = 0;
        for (int a = 0; a < local_count; ++a) f += unknown(at, a) >= 0 ? 1 : 0;
        total += f * (f + 1) / 2;
    }
    if (total > static_cast<std::size_t>(INT32_MAX) ||
        elements * static_cast<std::size_t>(packed_size(local_count)) >
            static_cast<std::size_t>(INT32_MAX))
        throw failure("the Newton matrix has more entries than 32-bit numbers can count");
    slots_.reserve(total);
    for (std::size_t j = 0; j < n; ++j) {
        rows.clear();
        for (std::int64_t m = meet_start[j]; m < meet_start[j + 1]; ++m) {
            const auto at = static_cast<std::size_t>(meets[static_cast<std::size_t>(m)]);
            for (int a = 0; a < local_count; ++a) {
                const std::int32_t i = unknown(at, a);
                if (i < 0 || static_cast<std::size_t>(i) > j) continue;
                if (mark[static_cast<std::size_t>(i)] != static_cast<std::int64_t>(j)) {
                    mark[static_cast<std::size_t>(i)] = static_cast<std::int64_t>(j);
                    rows.push_back(i);
                }
            }
        }
        std::sort(rows.begin(), rows.end());
        const std::size_t first = shape_.row.size();
        for (std::size_t r = 0; r < rows.size(); ++r) {
            shape_.row.push_back(rows[r]);
            place[static_cast<std::size_t>(rows[r])] = static_cast<std::int32_t>(first + r);
        }
        shape_.column_start[j + 1] = static_cast<std::int32_t>(shape_.row.size());
        // Each entry's slots, element after element: counted, then placed.
        count.assign(rows.size() + 1, 0);
        const auto each_slot = [&](auto&& take) {
            for (std::int64_t m = meet_start[j]; m < meet_start[j + 1]; ++m) {
                const auto at = static_cast<std::size_t>(meets[static_cast<std::size_t>(m)]);
                int b = 0;  // local place of j
                while (unknown(at, b) != static_cast<std::int32_t>(j)) ++b;
                for (int a = 0; a < local_count; ++a) {
                    const std::int32_t i = unknown(at, a);
                    if (i < 0 || static_cast<std::size_t>(i) > j) continue;
                    const int packed = a <= b ? packed_position(a, b) : packed_position(b, a);
                    take(static_cast<std::size_t>(place[static_cast<std::size_t>(i)]) - first,
                         static_cast<std::int32_t>(at) * packed_size(local_count) + packed);
                }
            }
        };
        each_slot([&](std::size_t r, std::int32_t) { ++count[r + 1]; });
        for (std::size_t r = 0; r < rows.size(); ++r) count[r + 1] += count[r];
        const std::size_t base = slots_.size();
        slots_.resize(base + static_cast<std::size_t>(count[rows.size()]));
        fill.assign(count.begin(), count.end() - 1);
        each_slot([&](std::size_t r, std::int32_t slot) {
            slots_[base + static_cast<std::size_t>(fill[r]++)] = slot;
        });
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const std::int32_t slots = count[r + 1] - count[r];
            if (slots > UINT16_MAX)
                throw failure(
                    "the Newton matrix has an entry that more than 65 535 elements share");
            if (counts_.size() % mark_every == 0)
                marks_.push_back(static_cast<std::int32_t>(base) + count[r]);
            counts_.push_back(static_cast<std::uint16_t>(slots));
        }
    }
    // grown by doubling: the room beyond the entries handed back
    shape_.row.shrink_to_fit();
    counts_.shrink_to_fit();
    marks_.shrink_to_fit();
}

void element_links(const element_columns& table, std::size_t elements,
                   std::span<const std::int32_t> group, std::vector<std::size_t>& start,
                   std::vector<std::int32_t>& links) {
    // each element's groups, a corner's once
    const auto each_link = [&](auto&& take) {
        for (std::size_t at = 0; at < elements; ++at) {
            std::int32_t corner[3];
            int corners = 0;
            for (int a = 0; a < 9; ++a) {
                const std::int32_t k = table.source(a)[at];
                if (k < 0) continue;
                const std::int32_t g = group[static_cast<std::size_t>(k)];
                if (std::find(corner, corner + corners, g) == corner + corners)
                    corner[corners++] = g;
            }
            for (int i = 0; i < corners; ++i)
                for (int j = 0; j < corners; ++j)
                    if (i != j)
                        take(static_cast<std::size_t>(corner[i]),
                             static_cast<std::size_t>(corner[j]));
        }
    };
    gather_links(group_count(group), each_link, start, links);
}

}  // namespace sheet
