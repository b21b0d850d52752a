// An incompressible element's force rows carry a trace_c2 term, 2 w2 times a quotient B: under a
// law without trace_c2 (w2 = 0) it adds 0 B to each row. Over vector lanes the element may leave
// out those terms where that provably changes nothing, and most of its divisions go with them.
// The number types of dual numbers and of a real always form the terms (dual.hpp says so).
#pragma once

#include "sheet/mechanics/triangle.hpp"

namespace sheet {

// Under a law without trace_c2 (w2 = 0) the trace_c2 term of a force row adds 0 B to the row,
// which leaves it as it is unless the row is -0 or B is not finite. Whether in every lane
// neither can happen, for the rows row1 and row2 of the shape c of r with stretch l3. B is
// finite when the current edges, the initial metric and lambda3 are at most 2^100 and A2^3 is
// at least 2^-300: the unit normal's components are then below 2, p and q below 2^202, pp, pq
// and qq below 2^405, B's quotient below 2^806 and its lambda3^5 term below 2^603. (A current
// area of 0 makes lambda3 infinite.)
template <class Record, class T>
bool trace_c2_terms_change_nothing(const Record& r, const current_shape<T>& c, T l3,
                                   const T (&row1)[3], const T (&row2)[3]) {
    return all_magnitudes_at_most(0x1p100, c.a[0], c.a[1], c.a[2], c.b[0], c.b[1], c.b[2], r.a_a,
                                  r.a_b, r.b_b, l3) &&
           all_at_least(0x1p-300, c.a2_3) &&
           !any_negative_zero(row1[0], row1[1], row1[2], row2[0], row2[1], row2[2]);
}

}  // namespace sheet
