// A forward-mode dual number: a value and its N partial derivatives, carried through the element
// formulas (templates over the number type) to differentiate their forces once more. The value
// part takes exactly the operations a real would, so it rounds as the real formulas do.
#pragma once

#include <cmath>

namespace sheet {

template <int N>
struct dual {
    double v = 0.0;    // the value
    double d[N] = {};  // its partial derivatives by the N seeded inputs

    dual() = default;
    dual(double value) : v(value) {}  // a constant: every partial 0 (implicit, as a real converts)

    // Input i of N with this value: its own partial 1, the others 0.
    static dual seed(double value, int i) {
        dual x(value);
        x.d[i] = 1.0;
        return x;
    }
};

template <int N>
dual<N> operator-(const dual<N>& a) {
    dual<N> r(-a.v);
    for (int i = 0; i < N; ++i) r.d[i] = -a.d[i];
    return r;
}

template <int N>
dual<N> operator+(const dual<N>& a, const dual<N>& b) {
    dual<N> r(a.v + b.v);
    for (int i = 0; i < N; ++i) r.d[i] = a.d[i] + b.d[i];
    return r;
}

template <int N>
dual<N> operator-(const dual<N>& a, const dual<N>& b) {
    dual<N> r(a.v - b.v);
    for (int i = 0; i < N; ++i) r.d[i] = a.d[i] - b.d[i];
    return r;
}

// (a b)' = a' b + a b'
template <int N>
dual<N> operator*(const dual<N>& a, const dual<N>& b) {
    dual<N> r(a.v * b.v);
    for (int i = 0; i < N; ++i) r.d[i] = a.d[i] * b.v + a.v * b.d[i];
    return r;
}

// (a / b)' = (a' - (a / b) b') / b
template <int N>
dual<N> operator/(const dual<N>& a, const dual<N>& b) {
    dual<N> r(a.v / b.v);
    for (int i = 0; i < N; ++i) r.d[i] = (a.d[i] - r.v * b.d[i]) / b.v;
    return r;
}

template <int N>
dual<N> operator+(const dual<N>& a, double b) {
    return a + dual<N>(b);
}
template <int N>
dual<N> operator+(double a, const dual<N>& b) {
    return dual<N>(a) + b;
}
template <int N>
dual<N> operator-(const dual<N>& a, double b) {
    return a - dual<N>(b);
}
template <int N>
dual<N> operator-(double a, const dual<N>& b) {
    return dual<N>(a) - b;
}

// A real factor scales every partial alike.
template <int N>
dual<N> operator*(const dual<N>& a, double b) {
    dual<N> r(a.v * b);
    for (int i = 0; i < N; ++i) r.d[i] = a.d[i] * b;
    return r;
}
template <int N>
dual<N> operator*(double a, const dual<N>& b) {
    dual<N> r(a * b.v);
    for (int i = 0; i < N; ++i) r.d[i] = a * b.d[i];
    return r;
}
template <int N>
dual<N> operator/(const dual<N>& a, double b) {
    dual<N> r(a.v / b);
    for (int i = 0; i < N; ++i) r.d[i] = a.d[i] / b;
    return r;
}
template <int N>
dual<N> operator/(double a, const dual<N>& b) {
    return dual<N>(a) / b;
}

// sqrt(x)' = x' / (2 sqrt(x))
template <int N>
dual<N> root(const dual<N>& x) {
    dual<N> r(std::sqrt(x.v));
    const double twice = 2.0 * r.v;
    for (int i = 0; i < N; ++i) r.d[i] = x.d[i] / twice;
    return r;
}

// (x^y)' = y x^y / x x'
template <int N>
dual<N> power(const dual<N>& x, double y) {
    dual<N> r(std::pow(x.v, y));
    const double slope = y * r.v / x.v;
    for (int i = 0; i < N; ++i) r.d[i] = slope * x.d[i];
    return r;
}

// The corner displacements u[l][j] of an element as duals, each its own input 3 l + j of N:
// value(i) gives the displacement of corner component i (its unknown or its prescribed value).
template <int N, class Value>
void seed_corners(Value&& value, dual<N> (&u)[3][3]) {
    for (int l = 0; l < 3; ++l)
        for (int j = 0; j < 3; ++j) u[l][j] = dual<N>::seed(value(3 * l + j), 3 * l + j);
}

// What melvar's element asks of vector lanes before it leaves out terms that add nothing: with
// duals the terms are always formed, so the partials of w2 = 0 are carried too.
template <int N, class... Rest>
bool all_magnitudes_at_most(double, const dual<N>&, const Rest&...) {
    return false;
}
template <int N>
bool all_at_least(double, const dual<N>&) {
    return false;
}
template <int N, class... Rest>
bool any_negative_zero(const dual<N>&, const Rest&...) {
    return true;
}

}  // namespace sheet
