// What one call of the element routines reads and writes: every element's geometry and corner
// sources in one table, and where each element's energy and forces go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sheet {

// Every element's initial geometry and corner sources, one array per quantity over all the
// elements, so that several elements' quantity loads as one vector. Each array is padded with
// copies of the last element, so that a full vector may be loaded from any element on.
//
// Corner source 3 l + j of an element, for its corner l and direction j: the 0-based unknown of
// that component when it is free, and when it is prescribed ~c (negative), c = 3 (node - 1) + j
// its place among the prescribed values.
struct element_columns {
    static constexpr std::size_t padding = 16;  // at least the lanes of the widest vector
    std::size_t stride = 0;                     // the elements and the padding
    // area2, a_a, a_b, b_b, edge_a X Y Z, edge_b X Y Z of element e at q * stride + e.
    std::vector<double> geometry;
    std::vector<std::int32_t> sources;  // source i of element e at i * stride + e
    // Of corner l of element e at l * stride + e: its X source when its three components are
    // unknowns that follow one another, -1 otherwise.
    std::vector<std::int32_t> nodes;

    const double* quantity(int q) const {
        return geometry.data() + static_cast<std::size_t>(q) * stride;
    }
    const std::int32_t* source(int i) const {
        return sources.data() + static_cast<std::size_t>(i) * stride;
    }
    const std::int32_t* node(int l) const {
        return nodes.data() + static_cast<std::size_t>(l) * stride;
    }
};

// Where one call of an objective's evaluate(begin, end, io) finds and puts what the elements at
// positions begin..end-1 (0 = the first element) read and give.
struct block_io {
    const element_columns* table;
    double* energy;  // energy[at - begin]
    double* forces;  // force 3 l + j of the element at: forces[9 (at - begin) + 3 l + j]
    // The elements whose gradient entries of their own (dorvan's thickness slopes) this call
    // writes: another call evaluates the others too and writes theirs.
    std::size_t own_begin, own_end;
};

// The displacement a corner source names: an unknown, or a prescribed value.
inline double corner_value(std::int32_t source, const double* xs, const double* prescribed) {
    const double* from = source >= 0 ? xs : prescribed;
    return from[source ^ (source >> 31)];  // source, or ~source when it is negative
}

}  // namespace sheet
