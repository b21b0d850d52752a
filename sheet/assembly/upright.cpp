// The test of a step, triangle after triangle.
#include "sheet/assembly/upright.hpp"

#include <cmath>

#include "sheet/mechanics/triangle.hpp"

namespace sheet {

namespace {

// The normal a x b of the element at position at, displaced by xs and the prescribed values.
void normal_at(const element_columns& table, std::size_t at, const double* xs,
               const double* prescribed, double (&n)[3]) {
    double a[3], b[3];
    for (int c = 0; c < 3; ++c) {
        const double u1 = corner_value(table.source(c)[at], xs, prescribed);
        const double u2 = corner_value(table.source(3 + c)[at], xs, prescribed);
        const double u3 = corner_value(table.source(6 + c)[at], xs, prescribed);
        a[c] = table.quantity(4 + c)[at] + u3 - u2;
        b[c] = table.quantity(7 + c)[at] + u1 - u3;
    }
    cross(a, b, n);
}

}  // namespace

bool no_triangle_turned_over(const element_columns& table, std::size_t elements,
                             std::span<const double> from, std::span<const double> to,
                             const double* prescribed) {
    for (std::size_t at = 0; at < elements; ++at) {
        double before[3], after[3];
        normal_at(table, at, from.data(), prescribed, before);
        normal_at(table, at, to.data(), prescribed, after);
        const double side = dot(before, after);
        if (!(side > 0.0) || !std::isfinite(side)) return false;
    }
    return true;
}

bool no_triangle_upside_down(const element_columns& table, std::size_t elements,
                             std::span<const double> to, const double* prescribed) {
    for (std::size_t at = 0; at < elements; ++at) {
        double rest[3], after[3];
        double a[3], b[3];
        for (int c = 0; c < 3; ++c) {
            a[c] = table.quantity(4 + c)[at];
            b[c] = table.quantity(7 + c)[at];
        }
        cross(a, b, rest);
        normal_at(table, at, to.data(), prescribed, after);
        const double side = dot(rest, after);
        if (!(side > 0.0) || !std::isfinite(side)) return false;
    }
    return true;
}

}  // namespace sheet
