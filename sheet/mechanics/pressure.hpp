// A pressure p that follows one triangle, as a potential: -p V with V = x1 . (x2 x x3) / 6, the
// signed volume of the tetrahedron its current corners span with the origin; its gradient and
// Hessian over the nine corner coordinates. Summed over a closed surface, V is the volume it
// encloses. The formulas are templates over the number type T.
#pragma once

#include "sheet/mechanics/triangle.hpp"

namespace sheet {

// V of the corners x[0], x[1], x[2] (current positions).
template <class T>
T pyramid_volume(const T (&x)[3][3]) {
    T across[3];
    cross(x[1], x[2], across);
    return dot(x[0], across) / 6.0;
}

// Returns -p V and puts its gradient into gradient: row l = -(p / 6) (x[l+1] x x[l+2]), the
// corners taken cyclically.
template <class T>
T pressure_potential(const T& p, const T (&x)[3][3], T (&gradient)[3][3]) {
    const T share = p / 6.0;
    for (int l = 0; l < 3; ++l) {
        T across[3];
        cross(x[(l + 1) % 3], x[(l + 2) % 3], across);
        for (int j = 0; j < 3; ++j) gradient[l][j] = -(share * across[j]);
    }
    return -(p * pyramid_volume(x));
}

// The follower force of p on each corner: a third of p times the area vector
// (x[1] - x[0]) x (x[2] - x[0]) / 2. It is minus the gradient above wherever the region's open
// edges are held, and the force the supports take up where they hold a corner.
template <class T>
void follower_forces(const T& p, const T (&x)[3][3], T (&forces)[3][3]) {
    T a[3], b[3], n[3];
    for (int c = 0; c < 3; ++c) {
        a[c] = x[1][c] - x[0][c];
        b[c] = x[2][c] - x[0][c];
    }
    cross(a, b, n);
    const T share = p / 6.0;
    for (int l = 0; l < 3; ++l)
        for (int c = 0; c < 3; ++c) forces[l][c] = share * n[c];
}

// The Hessian of -p V: entry (3 a + i, 3 b + j) is d2(-p V) / dx[a][i] dx[b][j]. A corner's own
// block is zero; with c the third corner, block (a, a+1) is -(p / 6) e_ijk x[c][k] and block
// (a, a+2) is +(p / 6) e_ijk x[c][k], the transpose of block (a+2, a).
template <class T>
void pressure_hessian(const T& p, const T (&x)[3][3], T (&hessian)[9][9]) {
    const T share = p / 6.0;
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            const int ahead =
                (b - a + 3) % 3;  // 0: the same corner, 1: the next, 2: the one before
            const T(&v)[3] = x[ahead == 0 ? a : 3 - a - b];
            const T skew[3][3] = {
                {T(0.0), v[2], -v[1]}, {-v[2], T(0.0), v[0]}, {v[1], -v[0], T(0.0)}};  // e_ijk v_k
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j)
                    hessian[3 * a + i][3 * b + j] = ahead == 0   ? T(0.0)
                                                    : ahead == 1 ? -(share * skew[i][j])
                                                                 : share * skew[i][j];
        }
    }
}

}  // namespace sheet
