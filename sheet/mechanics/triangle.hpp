// The current shape of one triangle, as both programs' element routines see it: current edges,
// normal, the dual vectors of the initial metric and the in-plane parts of the strain
// invariants. Each quantity keeps the grouping that fixes its rounding. The formulas are
// templates over the number type T: a real, or a vector of reals with one element per lane.
#pragma once

#include "sheet/mechanics/number.hpp"
#include "sheet/model/model.hpp"

namespace sheet {

// a . b, summed X, Y, Z from 0.0.
template <class T>
T dot(const T (&a)[3], const T (&b)[3]) {
    T sum = 0.0;
    for (int c = 0; c < 3; ++c) sum = sum + a[c] * b[c];
    return sum;
}

// a x b.
template <class T>
void cross(const T (&a)[3], const T (&b)[3], T (&out)[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

template <class T>
struct current_shape {
    T a[3];       // current edge from N2 to N3
    T b[3];       // current edge from N3 to N1
    T length;     // |m|, m = a x b: twice the current area
    T unit_a[3];  // n x a, n = m / |m|
    T unit_b[3];  // n x b
    T p[3];       // a_a b - a_b a, belonging to N1
    T q[3];       // a_b b - b_b a, belonging to N2
    T pp, pq, qq;
    T a2_3;      // A2^3
    T trace_c;   // (b_b |a|^2 - 2 a_b (a.b) + a_a |b|^2) / A2^2: trace of the in-plane C
    T trace_c2;  // (|p|^2 |b|^2 + |q|^2 |a|^2 - 2 (a.b)(p.q)) / A2^4: of its square
};

// The shape of r displaced by u[l][j] at its corners N1, N2, N3. Record is sheet::element, or
// a record of the same initial geometry fields in T.
template <class Record, class T>
current_shape<T> shape_of(const Record& r, const T (&u)[3][3]) {
    current_shape<T> s;
    for (int c = 0; c < 3; ++c) {
        s.a[c] = r.edge_a[c] + u[2][c] - u[1][c];
        s.b[c] = r.edge_b[c] + u[0][c] - u[2][c];
    }
    T normal[3];
    cross(s.a, s.b, normal);
    s.length = root(dot(normal, normal));
    const T unit[3] = {normal[0] / s.length, normal[1] / s.length, normal[2] / s.length};
    cross(unit, s.a, s.unit_a);
    cross(unit, s.b, s.unit_b);
    for (int c = 0; c < 3; ++c) {
        s.p[c] = r.a_a * s.b[c] - r.a_b * s.a[c];
        s.q[c] = r.a_b * s.b[c] - r.b_b * s.a[c];
    }
    const T aa = dot(s.a, s.a), ab = dot(s.a, s.b), bb = dot(s.b, s.b);
    s.pp = dot(s.p, s.p);
    s.qq = dot(s.q, s.q);
    s.pq = dot(s.p, s.q);
    const T a2 = r.area2;
    s.a2_3 = a2 * a2 * a2;
    s.trace_c = (r.b_b * aa - 2.0 * r.a_b * ab + r.a_a * bb) / (a2 * a2);
    s.trace_c2 = (s.pp * bb + s.qq * aa - 2.0 * ab * s.pq) / (a2 * a2 * a2 * a2);
    return s;
}

}  // namespace sheet
