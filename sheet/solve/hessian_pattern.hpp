// The pattern of the Newton matrix, made once per run from the elements' unknowns, and for each
// stored entry the element Hessian entries that add into it, in ascending element order: the
// plan by which any number of threads assemble the same matrix to the bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sheet/assembly/block_io.hpp"
#include "sheet/mechanics/packed.hpp"
#include "sheet/solve/symmetric_matrix.hpp"

namespace sheet {

class hessian_pattern {
public:
    // The elements of table (count of them), each with local_count unknowns: its nine corner
    // components as its sources name them (prescribed ones take no part), and with a tenth,
    // dorvan's thickness variable, the unknown free_count + position. unknown_count rows.
    hessian_pattern(const element_columns& table, std::size_t elements, std::int32_t free_count,
                    std::int32_t unknown_count, int local_count);

    int local_count() const { return local_count_; }
    std::size_t elements() const { return elements_; }
    // The unknown (0-based) of local a of the element at position at; negative when prescribed.
    std::int32_t unknown(std::size_t at, int a) const {
        return unknowns_[at * static_cast<std::size_t>(local_count_) + static_cast<std::size_t>(a)];
    }
    // The matrix's pattern; it holds no values (the assembly keeps its own).
    const symmetric_matrix& shape() const { return shape_; }
    // Stored entry k sums the element entries at slots [start[k], start[k + 1]): each slot is
    // position * packed_size + the packed place in that element's Hessian.
    const std::vector<std::int32_t>& start() const { return start_; }
    const std::vector<std::int32_t>& slots() const { return slots_; }

private:
    int local_count_ = 9;
    std::size_t elements_ = 0;
    std::vector<std::int32_t> unknowns_;
    symmetric_matrix shape_;
    std::vector<std::int32_t> start_;
    std::vector<std::int32_t> slots_;
};

}  // namespace sheet
