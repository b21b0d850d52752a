// A second-order forward-mode number: a value with its K first and K x K second partial
// derivatives, carried through an energy density (a template over the number type) to get the
// slopes and curvatures the tension-field energy needs of it, by a handful of stretches.
#pragma once

#include <cmath>

namespace sheet {

template <int K>
struct jet {
    double v = 0.0;       // the value
    double g[K] = {};     // its first partials by the K seeded inputs
    double h[K][K] = {};  // its second partials, symmetric

    jet() = default;
    jet(double value) : v(value) {}  // a constant (implicit, as a real converts)

    // Input i of K with this value.
    static jet seed(double value, int i) {
        jet x(value);
        x.g[i] = 1.0;
        return x;
    }
};

namespace detail {

// f(x) for a function of one variable with value f, slope f1 and curvature f2 at x.v:
// (f o x)' = f1 x', (f o x)'' = f1 x'' + f2 x' x'^T.
template <int K>
jet<K> chain(const jet<K>& x, double f, double f1, double f2) {
    jet<K> r(f);
    for (int i = 0; i < K; ++i) {
        r.g[i] = f1 * x.g[i];
        for (int j = 0; j < K; ++j) r.h[i][j] = f1 * x.h[i][j] + f2 * (x.g[i] * x.g[j]);
    }
    return r;
}

}  // namespace detail

template <int K>
jet<K> operator-(const jet<K>& a) {
    return detail::chain(a, -a.v, -1.0, 0.0);
}

template <int K>
jet<K> operator+(const jet<K>& a, const jet<K>& b) {
    jet<K> r(a.v + b.v);
    for (int i = 0; i < K; ++i) {
        r.g[i] = a.g[i] + b.g[i];
        for (int j = 0; j < K; ++j) r.h[i][j] = a.h[i][j] + b.h[i][j];
    }
    return r;
}

template <int K>
jet<K> operator-(const jet<K>& a, const jet<K>& b) {
    jet<K> r(a.v - b.v);
    for (int i = 0; i < K; ++i) {
        r.g[i] = a.g[i] - b.g[i];
        for (int j = 0; j < K; ++j) r.h[i][j] = a.h[i][j] - b.h[i][j];
    }
    return r;
}

// (a b)'' = a'' b + a b'' + a' b'^T + b' a'^T
template <int K>
jet<K> operator*(const jet<K>& a, const jet<K>& b) {
    jet<K> r(a.v * b.v);
    for (int i = 0; i < K; ++i) {
        r.g[i] = a.g[i] * b.v + a.v * b.g[i];
        for (int j = 0; j < K; ++j)
            r.h[i][j] = a.h[i][j] * b.v + a.v * b.h[i][j] + (a.g[i] * b.g[j] + b.g[i] * a.g[j]);
    }
    return r;
}

// q = a / b: q' = (a' - q b') / b, q'' = (a'' - q b'' - q' b'^T - b' q'^T) / b
template <int K>
jet<K> operator/(const jet<K>& a, const jet<K>& b) {
    jet<K> r(a.v / b.v);
    for (int i = 0; i < K; ++i) r.g[i] = (a.g[i] - r.v * b.g[i]) / b.v;
    for (int i = 0; i < K; ++i)
        for (int j = 0; j < K; ++j)
            r.h[i][j] = (a.h[i][j] - r.v * b.h[i][j] - (r.g[i] * b.g[j] + b.g[i] * r.g[j])) / b.v;
    return r;
}

template <int K>
jet<K> operator+(const jet<K>& a, double b) {
    jet<K> r = a;
    r.v = a.v + b;
    return r;
}
template <int K>
jet<K> operator+(double a, const jet<K>& b) {
    return b + a;
}
template <int K>
jet<K> operator-(const jet<K>& a, double b) {
    jet<K> r = a;
    r.v = a.v - b;
    return r;
}
template <int K>
jet<K> operator-(double a, const jet<K>& b) {
    return detail::chain(b, a - b.v, -1.0, 0.0);
}
template <int K>
jet<K> operator*(const jet<K>& a, double b) {
    return detail::chain(a, a.v * b, b, 0.0);
}
template <int K>
jet<K> operator*(double a, const jet<K>& b) {
    return detail::chain(b, a * b.v, a, 0.0);
}
template <int K>
jet<K> operator/(const jet<K>& a, double b) {
    return detail::chain(a, a.v / b, 1.0 / b, 0.0);
}
// (a / x)' = -(a / x) / x, (a / x)'' = 2 (a / x) / x^2
template <int K>
jet<K> operator/(double a, const jet<K>& b) {
    const double f = a / b.v;
    const double f1 = -f / b.v;
    return detail::chain(b, f, f1, -2.0 * f1 / b.v);
}

// sqrt(x)' = 1 / (2 sqrt(x)), sqrt(x)'' = -sqrt(x)' / (2 x)
template <int K>
jet<K> root(const jet<K>& x) {
    const double f = std::sqrt(x.v);
    const double f1 = 1.0 / (2.0 * f);
    return detail::chain(x, f, f1, -f1 / (2.0 * x.v));
}

// (x^y)' = y x^y / x, (x^y)'' = (y - 1) (x^y)' / x
template <int K>
jet<K> power(const jet<K>& x, double y) {
    const double f = std::pow(x.v, y);
    const double f1 = y * f / x.v;
    return detail::chain(x, f, f1, (y - 1.0) * f1 / x.v);
}

}  // namespace sheet
