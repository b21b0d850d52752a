// The layout of a supernodal Cholesky factor, the tree of its supernodes, and the tree's cut into
// whole subtrees that can be worked on side by side.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace sheet {

// A supernodal factor of P A P' as a sparse Cholesky library lays it out. Supernode s holds
// the columns first_column[s] .. first_column[s + 1] - 1 of L; the rows of its entries are
// rows[row_start[s] .. row_start[s + 1]), the first of them its own columns in order, and its
// entries are stored column by column from values[value_start[s]], each column as long as its
// list of rows. Row k of the factor is row order[k] of A.
struct supernodal_layout {
    std::span<const std::int32_t> first_column;  // supernodes + 1
    std::span<const std::int32_t> row_start;     // supernodes + 1
    std::span<const std::int32_t> value_start;   // supernodes + 1
    std::span<const std::int32_t> rows;
    std::span<const std::int32_t> order;  // n
};

// The arrays of such a layout, held.
struct supernodal_structure {
    std::vector<std::int32_t> first_column, row_start, value_start, rows, order;

    supernodal_layout layout() const { return {first_column, row_start, value_start, rows, order}; }
};

// Supernode s's parent is the supernode of its first row below its own columns (-1: a root);
// its subtree is first[s] .. s when ordered, that is when every subtree's supernodes are
// numbered together and children before their parent.
struct supernode_tree {
    std::vector<std::int32_t> parent;
    std::vector<std::int32_t> first;
    bool ordered = false;
};

supernode_tree tree_of(const supernodal_layout& layout);

// Supernodes first .. end - 1: a whole subtree, its root end - 1.
struct subtree {
    std::int32_t first;
    std::int32_t end;
};

// Whole subtrees of an ordered tree, ascending, at least target of them where the tree allows:
// from the roots down, the subtree of most work (the sum of work[s] over its supernodes) that
// can be cut is replaced by its children's. The supernodes in none of them (the cut roots,
// the separators above) are the top. None when the tree is not ordered.
std::vector<subtree> cut_tree(const supernode_tree& tree, std::span<const std::int64_t> work,
                              std::size_t target);

}  // namespace sheet
