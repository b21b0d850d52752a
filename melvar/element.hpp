// One incompressible triangle: its thickness follows from its change of area.
#pragma once

#include <cmath>
#include <string>

#include "arrays/terms.hpp"
#include "melvar/model.hpp"
#include "sheet/failure.hpp"

namespace melvar {

struct element_result {
    double strain_energy;  // W A2 t0 / 2
    double stretch3;       // lambda3 = A2 / |a x b|; the current thickness is t0 lambda3
    double i1;             // trace of C
    double trace_c2;       // trace of C^2
    double w1;             // dW/d i1
    double w2;             // dW/d trace_c2
};

// The element r at the unknowns x: fills forces with its internal nodal forces.
element_result element2(const model& m, const sheet::element& r, const terms::fmat1& x,
                        sheet::element_forces& forces);

namespace detail {

struct law {
    double w, w1, w2;
};

// Energy density and its derivatives by i1 and trace_c2. The Arruda-Boyce series runs by
// Horner's scheme from its highest coefficient.
inline law material_law(const model& m, double i1, double trace_c2) {
    switch (m.material) {
        case 1: {  // neo-Hookean
            const double mu = m.neo_shear;
            return {0.5 * mu * i1, 0.5 * mu, 0.0};
        }
        case 2: {  // Mooney-Rivlin
            const double c10 = m.mooney_c10;
            const double c01 = m.mooney_c01;
            return {c10 * i1 + 0.5 * c01 * (i1 * i1 - trace_c2), c10 + c01 * i1, -0.5 * c01};
        }
        case 3: {  // Arruda-Boyce
            const double mu = m.boyce_shear;
            const double c1 = m.boyce_coef(1), c2 = m.boyce_coef(2), c3 = m.boyce_coef(3),
                         c4 = m.boyce_coef(4), c5 = m.boyce_coef(5);
            const double w = mu * (((((c5 * i1 + c4) * i1 + c3) * i1 + c2) * i1 + c1) * i1);
            const double w1 =
                mu * ((((5.0 * c5 * i1 + 4.0 * c4) * i1 + 3.0 * c3) * i1 + 2.0 * c2) * i1 + c1);
            return {w, w1, 0.0};
        }
        default:
            throw sheet::failure("undefined material law " + std::to_string(m.material));
    }
}

inline double dot(const double (&a)[3], const double (&b)[3]) {
    double sum = 0.0;
    for (int c = 0; c < 3; ++c) sum = sum + a[c] * b[c];
    return sum;
}

inline void cross(const double (&a)[3], const double (&b)[3], double (&out)[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace detail

inline element_result element_state(const model& m, const sheet::element& r, const double (&u)[3][3],
                             sheet::element_forces& forces) {
    const double a2 = r.area2;
    const double t0 = m.thickness;
    // Current edges: a from N2 to N3, b from N3 to N1.
    double a[3], b[3];
    for (int c = 0; c < 3; ++c) {
        a[c] = r.edge_a[c] + u[2][c] - u[1][c];
        b[c] = r.edge_b[c] + u[0][c] - u[2][c];
    }
    double normal[3];
    detail::cross(a, b, normal);
    const double length = std::sqrt(detail::dot(normal, normal));
    const double unit[3] = {normal[0] / length, normal[1] / length, normal[2] / length};
    double p[3], q[3];
    for (int c = 0; c < 3; ++c) {
        p[c] = r.a_a * b[c] - r.a_b * a[c];
        q[c] = r.a_b * b[c] - r.b_b * a[c];
    }
    // Out-of-plane stretch from the change of area, and its powers.
    const double l3 = a2 / length;
    const double l3_2 = l3 * l3;
    const double l3_3 = l3 * l3 * l3;
    const double l3_4 = l3 * l3_3;
    const double l3_5 = l3_4 * l3;
    const double aa = detail::dot(a, a), ab = detail::dot(a, b), bb = detail::dot(b, b);
    const double pp = detail::dot(p, p), qq = detail::dot(q, q), pq = detail::dot(p, q);
    const double a2_2 = a2 * a2;
    const double a2_3 = a2 * a2 * a2;
    const double a2_4 = a2 * a2 * a2 * a2;

    element_result out{};
    out.stretch3 = l3;
    out.i1 = (r.b_b * aa - 2.0 * r.a_b * ab + r.a_a * bb) / a2_2 + l3_2;
    out.trace_c2 = (pp * bb + qq * aa - 2.0 * ab * pq) / a2_4 + l3_4;
    const detail::law w = detail::material_law(m, out.i1, out.trace_c2);
    out.w1 = w.w1;
    out.w2 = w.w2;
    out.strain_energy = w.w * a2 * t0 * 0.5;

    double unit_a[3], unit_b[3];
    detail::cross(unit, a, unit_a);
    detail::cross(unit, b, unit_b);
    for (int c = 0; c < 3; ++c) {
        const double row1 = w.w1 * (p[c] / a2 - l3_3 * unit_a[c]) +
                            2.0 * w.w2 * ((pp * b[c] - pq * a[c]) / a2_3 - l3_5 * unit_a[c]);
        const double row2 = w.w1 * (q[c] / a2 - l3_3 * unit_b[c]) +
                            2.0 * w.w2 * ((pq * b[c] - qq * a[c]) / a2_3 - l3_5 * unit_b[c]);
        forces.row[0][c] = t0 * row1;
        forces.row[1][c] = t0 * row2;
        forces.row[2][c] = -(forces.row[0][c] + forces.row[1][c]);
    }
    return out;
}

}  // namespace melvar
