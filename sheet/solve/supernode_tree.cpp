// The tree of supernodes and its cut.
#include "sheet/solve/supernode_tree.hpp"

#include <algorithm>
#include <cstddef>

namespace sheet {

supernode_tree tree_of(const supernodal_layout& layout) {
    const auto supernodes = static_cast<std::int32_t>(layout.first_column.size()) - 1;
    const auto count = static_cast<std::size_t>(std::max(supernodes, 0));
    supernode_tree tree{std::vector<std::int32_t>(count, -1), std::vector<std::int32_t>(count),
                        true};
    std::vector<std::int32_t> supernode_of(layout.order.size(), 0), size(count, 1);
    for (std::int32_t s = 0; s < supernodes; ++s) {
        const auto u = static_cast<std::size_t>(s);
        for (std::int32_t c = layout.first_column[u]; c < layout.first_column[u + 1]; ++c)
            supernode_of[static_cast<std::size_t>(c)] = s;
    }
    for (std::int32_t s = 0; s < supernodes; ++s) {
        const auto u = static_cast<std::size_t>(s);
        const std::int32_t columns = layout.first_column[u + 1] - layout.first_column[u];
        const std::int32_t rows = layout.row_start[u + 1] - layout.row_start[u];
        if (rows > columns) {
            const std::int32_t below =
                layout.rows[static_cast<std::size_t>(layout.row_start[u] + columns)];
            tree.parent[u] = supernode_of[static_cast<std::size_t>(below)];
            tree.ordered = tree.ordered && tree.parent[u] > s;
        }
        tree.first[u] = s;
    }
    // children before parents: each subtree's span is complete when its root is reached
    for (std::int32_t s = 0; tree.ordered && s < supernodes; ++s) {
        const auto u = static_cast<std::size_t>(s);
        tree.ordered = tree.first[u] + size[u] - 1 == s;  // first .. s, with no gap
        if (tree.parent[u] < 0) continue;
        const auto p = static_cast<std::size_t>(tree.parent[u]);
        tree.first[p] = std::min(tree.first[p], tree.first[u]);
        size[p] += size[u];
    }
    return tree;
}

std::vector<subtree> cut_tree(const supernode_tree& tree, std::span<const std::int64_t> work,
                              std::size_t target) {
    std::vector<subtree> parts;
    if (!tree.ordered) return parts;
    const std::size_t count = tree.parent.size();
    std::vector<std::int64_t> weight(work.begin(), work.end());
    std::vector<std::vector<std::int32_t>> kids(count);
    std::vector<std::int32_t> frontier;
    for (std::size_t s = 0; s < count; ++s) {
        const std::int32_t p = tree.parent[s];
        if (p < 0) {
            frontier.push_back(static_cast<std::int32_t>(s));
            continue;
        }
        weight[static_cast<std::size_t>(p)] += weight[s];
        kids[static_cast<std::size_t>(p)].push_back(static_cast<std::int32_t>(s));
    }
    while (frontier.size() < target) {
        std::size_t largest = frontier.size();
        for (std::size_t f = 0; f < frontier.size(); ++f) {
            const auto r = static_cast<std::size_t>(frontier[f]);
            if (!kids[r].empty() &&
                (largest == frontier.size() ||
                 weight[r] > weight[static_cast<std::size_t>(frontier[largest])]))
                largest = f;
        }
        if (largest == frontier.size()) break;
        const auto root = static_cast<std::size_t>(frontier[largest]);
        frontier.erase(frontier.begin() + static_cast<std::ptrdiff_t>(largest));
        frontier.insert(frontier.end(), kids[root].begin(), kids[root].end());
    }
    std::sort(frontier.begin(), frontier.end());
    for (const std::int32_t r : frontier)
        parts.push_back({tree.first[static_cast<std::size_t>(r)], r + 1});
    return parts;
}

}  // namespace sheet
