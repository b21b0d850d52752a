// The links between groups of unknowns that a factor's ordering reads (grouped_order,
// cholesky.hpp): group g's neighbours at links[start[g] .. start[g + 1]), in any order and with
// repeats, start of size (the largest group + 1) + 1.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "sheet/solve/symmetric_matrix.hpp"

namespace sheet {

// The number of groups: the largest group + 1.
inline std::size_t group_count(std::span<const std::int32_t> groups) {
    std::int32_t count = 0;
    for (const std::int32_t g : groups) count = std::max(count, g + 1);
    return static_cast<std::size_t>(count);
}

// The links that each_link(take) names by take(g, h) (h a neighbour of g), of count groups:
// counted, then placed, by one pass of each_link each.
template <class EachLink>
void gather_links(std::size_t count, EachLink&& each_link, std::vector<std::size_t>& start,
                  std::vector<std::int32_t>& links) {
    start.assign(count + 1, 0);
    each_link([&](std::size_t g, std::size_t) { ++start[g + 1]; });
    for (std::size_t g = 0; g < count; ++g) start[g + 1] += start[g];
    links.resize(start[count]);
    std::vector<std::size_t> next(start.begin(), start.end() - 1);
    each_link(
        [&](std::size_t g, std::size_t h) { links[next[g]++] = static_cast<std::int32_t>(h); });
}

// The links that the stored entries of a make between the groups of their row and column
// (groups[k]: that of unknown k), both ways.
inline void matrix_links(const symmetric_matrix& a, std::span<const std::int32_t> groups,
                         std::vector<std::size_t>& start, std::vector<std::int32_t>& links) {
    const auto group_of = [&](std::int32_t unknown) {
        return static_cast<std::size_t>(groups[static_cast<std::size_t>(unknown)]);
    };
    gather_links(
        group_count(groups),
        [&](auto&& take) {
            for (std::int32_t j = 0; j < a.n; ++j)
                for (auto k = a.column_start[static_cast<std::size_t>(j)];
                     k < a.column_start[static_cast<std::size_t>(j) + 1]; ++k) {
                    const std::size_t gi = group_of(a.row[static_cast<std::size_t>(k)]);
                    const std::size_t gj = group_of(j);
                    if (gi == gj) continue;
                    take(gi, gj);
                    take(gj, gi);
                }
        },
        start, links);
}

}  // namespace sheet
