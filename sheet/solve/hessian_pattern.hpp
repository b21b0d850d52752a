// The pattern of the Newton matrix, made once per run from the elements' unknowns, and for each
// stored entry the element Hessian entries that add into it, in ascending element order: the
// plan by which any number of threads assemble the same matrix to the bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "sheet/assembly/block_io.hpp"
#include "sheet/mechanics/packed.hpp"
#include "sheet/solve/symmetric_matrix.hpp"

namespace sheet {

class hessian_pattern {
public:
    // The elements of table (count of them), each with local_count unknowns: its nine corner
    // components as its sources name them (prescribed ones take no part), and with a tenth,
    // dorvan's thickness variable, the unknown free_count + position. unknown_count rows. The
    // pattern reads the unknowns from table, which must outlive it.
    hessian_pattern(const element_columns& table, std::size_t elements, std::int32_t free_count,
                    std::int32_t unknown_count, int local_count);

    int local_count() const { return local_count_; }
    std::size_t elements() const { return elements_; }
    // The unknown (0-based) of local a of the element at position at; negative when prescribed.
    std::int32_t unknown(std::size_t at, int a) const {
        return a < 9 ? table_->source(a)[at] : free_count_ + static_cast<std::int32_t>(at);
    }
    // The matrix's pattern; it holds no values (the assembly keeps its own).
    const symmetric_matrix& shape() const { return shape_; }
    // Stored entry k sums the element entries at slots [first_slot(k), first_slot(k) +
    // slot_count(k)): each slot is position * packed_size + the packed place in that element's
    // Hessian. An entry has as many slots as elements meet both its unknowns: a few, so their
    // counts are kept, with the first slot of every 64th entry.
    std::int32_t slot_count(std::size_t k) const { return counts_[k]; }
    std::int32_t first_slot(std::size_t k) const {
        std::int32_t s = marks_[k / mark_every];
        for (std::size_t e = k - k % mark_every; e < k; ++e) s += counts_[e];
        return s;
    }
    const std::vector<std::int32_t>& slots() const { return slots_; }

private:
    int local_count_ = 9;
    std::size_t elements_ = 0;
    const element_columns* table_;
    std::int32_t free_count_;
    symmetric_matrix shape_;
    static constexpr std::size_t mark_every = 64;
    std::vector<std::uint16_t> counts_;  // of every entry
    std::vector<std::int32_t> marks_;    // the first slot of entries 0, 64, 128, ...
    std::vector<std::int32_t> slots_;
};

// The links between the groups of the free unknowns (group[k]: that of unknown k) that the
// elements of table (count of them) make: every two groups of one element's corners, both ways,
// with repeats (as group_links.hpp lays them out). The same links as the pattern's entries make
// (matrix_links), without the pattern.
void element_links(const element_columns& table, std::size_t elements,
                   std::span<const std::int32_t> group, std::vector<std::size_t>& start,
                   std::vector<std::int32_t>& links);

}  // namespace sheet
