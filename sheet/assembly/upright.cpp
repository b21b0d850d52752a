// The inside-out test of every triangle at a trial point.
#include "sheet/assembly/upright.hpp"

#include <cmath>

#include "sheet/mechanics/triangle.hpp"

namespace sheet {

bool every_triangle_upright(const element_columns& table, std::size_t elements,
                            std::span<const double> xs, const double* prescribed) {
    for (std::size_t at = 0; at < elements; ++at) {
        double a0[3], b0[3], a[3], b[3];
        for (int c = 0; c < 3; ++c) {
            a0[c] = table.quantity(4 + c)[at];
            b0[c] = table.quantity(7 + c)[at];
            const double u1 = corner_value(table.source(c)[at], xs.data(), prescribed);
            const double u2 = corner_value(table.source(3 + c)[at], xs.data(), prescribed);
            const double u3 = corner_value(table.source(6 + c)[at], xs.data(), prescribed);
            a[c] = a0[c] + u3 - u2;
            b[c] = b0[c] + u1 - u3;
        }
        double initial[3], current[3];
        cross(a0, b0, initial);
        cross(a, b, current);
        const double side = dot(initial, current);
        if (!(side > 0.0) || !std::isfinite(side)) return false;
    }
    return true;
}

}  // namespace sheet
