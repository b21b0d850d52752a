// The element matrix of a fictitious isotropic tension: the linear triangle's Laplacian on each
// displacement component. A flat, stress-free sheet has no stiffness out of its plane; this
// shape of shift gives it the stiffness a small tension would, where a multiple of the identity
// would make every step of such a sheet a tiny one.
#pragma once

#include "sheet/model/model.hpp"

namespace sheet {

// Into packed (local_count = 9, or 10 with a thickness variable at 9; entry (a, b), a <= b, at
// b (b + 1) / 2 + a): tension times the Laplacian K(k, l) = e_k . e_l / (2 A2) of the element
// of initial geometry r on each direction, e_k the initial edge opposite corner k (edge_a,
// edge_b, and -(edge_a + edge_b)); the thickness variable gets tension A2 / 2.
inline void tension_shift(const element_geometry& r, double tension, int local_count,
                          double* packed) {
    for (int k = 0; k < local_count * (local_count + 1) / 2; ++k) packed[k] = 0.0;
    const double dot[3][3] = {{r.a_a, r.a_b, -(r.a_a + r.a_b)},
                              {r.a_b, r.b_b, -(r.a_b + r.b_b)},
                              {-(r.a_a + r.a_b), -(r.a_b + r.b_b), r.a_a + 2.0 * r.a_b + r.b_b}};
    const double scale = tension / (2.0 * r.area2);
    for (int k = 0; k < 3; ++k)
        for (int l = k; l < 3; ++l)
            for (int j = 0; j < 3; ++j) {
                const int a = 3 * k + j, b = 3 * l + j;
                packed[b * (b + 1) / 2 + a] = scale * dot[k][l];
            }
    if (local_count > 9) packed[9 * 10 / 2 + 9] = tension * (0.5 * r.area2);
}

}  // namespace sheet
