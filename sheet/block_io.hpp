// What one call of the element routines reads and writes: where each corner displacement comes
// from, and where each element's energy and forces go.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sheet {

// Where one call of an objective's evaluate(begin, end, io) finds and puts what the elements at
// positions begin..end-1 (0 = the first element) read and give.
struct block_io {
    const std::int32_t* corners;  // every element's corner sources (corner_sources)
    double* energy;               // energy[at - begin]
    double* forces;               // force 3 l + j of the element at: forces[9 (at - begin) + 3 l + j]
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
