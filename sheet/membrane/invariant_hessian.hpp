// Newton's element Hessian by the invariants of the element's plane. A membrane triangle's strain
// energy is A2 t0 / 2 W(tr, det, c): tr = trace C and det = det C of its in-plane right
// Cauchy-Green tensor C, and c its own variable (dorvan's C33 = s^4 of its thickness variable s;
// melvar has none). Its Hessian by the corner displacements u (and by s) is therefore
//   A2 t0 / 2 (sum_ij W_ij grad I_i grad I_j^T + sum_i W_i hess I_i),   I = (tr, det, c).
// W's partials by I come from the program's density pushed through as second-order forward
// numbers (jet.hpp) where the element is taut, and from the relaxed energy's own
// (tension_field.hpp) where it is wrinkled or slack, its state decided from the very values the
// element's own evaluation decides it from. The invariants' derivatives are closed forms in the
// current edges a and b and the initial metric: A2^2 tr = b_b |a|^2 - 2 a_b (a.b) + a_a |b|^2 and
// A2^2 det = |a|^2 |b|^2 - (a.b)^2, so hess tr is constant per element and hess det is short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>

#include "sheet/assembly/block_io.hpp"
#include "sheet/mechanics/jet.hpp"
#include "sheet/mechanics/packed.hpp"
#include "sheet/mechanics/tension_field.hpp"
#include "sheet/mechanics/triangle.hpp"
#include "sheet/membrane/kinematics.hpp"
#include "sheet/model/relaxed_law.hpp"

namespace sheet {

// W's first and second partials by (tr, det, c).
struct invariant_partials {
    double slope[3] = {};
    double curvature[3][3] = {};
};

// The partials of K's density under a plain law at (tr, det, c); c is held when K has no
// unknown of an element's own. Flattened: with the number's operations inlined, what the law's
// density forms beside W (its derivatives by its own invariants) is left out.
template <class K, class Law>
[[gnu::flatten]] invariant_partials partials_of(const Law& law, double tr, double det, double c) {
    constexpr int variables = 2 + K::internal_unknowns;
    using number = jet<variables>;
    number third(c);
    if constexpr (variables == 3) third = number::seed(c, 2);
    const number w = K::plane_density(law, number::seed(tr, 0), number::seed(det, 1), third);
    invariant_partials out;
    for (int i = 0; i < variables; ++i) {
        out.slope[i] = w.g[i];
        for (int j = 0; j < variables; ++j) out.curvature[i][j] = w.h[i][j];
    }
    return out;
}

// Under a relaxed law: the relaxed energy's where the element is wrinkled or slack, the law's
// where it is taut.
template <class K, class Law>
invariant_partials partials_of(const relaxed<Law>& law, double tr, double det, double c) {
    const Law& plain = law;
    const relaxed_density d = K::relaxed_plane_density(plain, tr, det, c);
    if (d.state == tension_state::taut) return partials_of<K>(plain, tr, det, c);
    invariant_partials out;
    for (int i = 0; i < 3; ++i) {
        out.slope[i] = d.slope[i];
        for (int j = 0; j < 3; ++j) out.curvature[i][j] = d.curvature[i][j];
    }
    return out;
}

// The Hessian of A2 t0 / 2 W(tr, det, c) with W's partials w, on the triangle r in its current
// shape sh, by its corners' displacements and, when Local is 10, by the element's own unknown s,
// of which c = own (own's first and second partials by s), added into packed.
template <int Local>
void add_invariant_hessian(const element_geometry& r, double t0, const current_shape<double>& sh,
                           const invariant_partials& w, const jet<1>& own, double* packed) {
    static_assert(Local == 9 || Local == 10);
    const double a2 = r.area2;
    const double scale = a2 * t0 * 0.5;
    const double by = 2.0 / (a2 * a2);
    const double(&a)[3] = sh.a;
    const double(&b)[3] = sh.b;
    const double aa = dot(sh.a, sh.a), ab = dot(sh.a, sh.b), bb = dot(sh.b, sh.b);
    // grad tr and grad det by x = (a, b): tr by a is -2 q / A2^2, by b 2 p / A2^2
    double gt[6], gd[6];
    for (int k = 0; k < 3; ++k) {
        gt[k] = -(by * sh.q[k]);
        gt[3 + k] = by * sh.p[k];
        gd[k] = by * (bb * a[k] - ab * b[k]);
        gd[3 + k] = by * (aa * b[k] - ab * a[k]);
    }
    const double wt = scale * w.slope[0], wd = scale * w.slope[1];
    const double wtt = scale * w.curvature[0][0], wtd = scale * w.curvature[0][1],
                 wdd = scale * w.curvature[1][1];
    // h: the Hessian by x; first the terms of the invariants' slopes
    double h[6][6];
    for (int i = 0; i < 6; ++i) {
        const double along_t = wtt * gt[i] + wtd * gd[i];
        const double along_d = wtd * gt[i] + wdd * gd[i];
        for (int j = 0; j < 6; ++j) h[i][j] = along_t * gt[j] + along_d * gd[j];
    }
    // W_tr hess tr: 2 / A2^2 (b_b, -a_b; -a_b, a_a), each times the identity; W_det hess det:
    // 2 / A2^2 (|b|^2 I - b b^T, 2 a b^T - b a^T - (a.b) I; its transpose, |a|^2 I - a a^T)
    const double ft = wt * by, fd = wd * by;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double by_a = -(fd * (b[i] * b[j])), by_b = -(fd * (a[i] * a[j]));
            double mixed = fd * (2.0 * (a[i] * b[j]) - b[i] * a[j]);
            if (i == j) {
                by_a = by_a + (ft * r.b_b + fd * bb);
                by_b = by_b + (ft * r.a_a + fd * aa);
                mixed = mixed - (ft * r.a_b + fd * ab);
            }
            h[i][j] = h[i][j] + by_a;
            h[3 + i][3 + j] = h[3 + i][3 + j] + by_b;
            h[i][3 + j] = h[i][3 + j] + mixed;
            h[3 + j][i] = h[3 + j][i] + mixed;
        }
    // By the corners: u1 moves b, u2 moves -a, u3 moves a - b (N1, N2, N3 at 0, 1, 2).
    const auto add = [packed](int row, int column, double value) {
        double& entry = packed[packed_position(row, column)];
        entry = entry + value;
    };
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const double h_aa = h[i][j], h_ab = h[i][3 + j], h_ba = h[3 + i][j],
                         h_bb = h[3 + i][3 + j];
            if (i <= j) {
                add(i, j, h_bb);
                add(3 + i, 3 + j, h_aa);
                add(6 + i, 6 + j, (h_aa - h_ab) - (h_ba - h_bb));
            }
            add(i, 3 + j, -h_ba);
            add(i, 6 + j, h_ba - h_bb);
            add(3 + i, 6 + j, h_ab - h_aa);
        }
    if constexpr (Local == 10) {
        const double slope = own.g[0];
        const double wtc = scale * w.curvature[0][2], wdc = scale * w.curvature[1][2];
        double hs[6];
        for (int k = 0; k < 6; ++k) hs[k] = (wtc * gt[k] + wdc * gd[k]) * slope;
        for (int k = 0; k < 3; ++k) {
            add(k, 9, hs[3 + k]);
            add(3 + k, 9, -hs[k]);
            add(6 + k, 9, hs[k] - hs[3 + k]);
        }
        add(9, 9, scale * (w.curvature[2][2] * (slope * slope) + w.slope[2] * own.h[0][0]));
    }
}

// The Hessian of the strain energy of the element at position at of m, at the unknowns xs and
// the prescribed values, over its 9 + internal_unknowns unknowns (its corners' components, then
// its own), added into packed.
template <class K>
void invariant_hessian_of(const model_of<K>& m, const element_columns& table, std::size_t at,
                          std::span<const double> xs, const double* prescribed, double* packed) {
    double u[3][3];
    for (int i = 0; i < 9; ++i)
        u[i / 3][i % 3] = corner_value(table.source(i)[at], xs.data(), prescribed);
    const std::int32_t e = m.problem.mesh.elements.first() + static_cast<std::int32_t>(at);
    const element_geometry& r = m.geometry(e);
    const current_shape<double> sh = shape_of(r, u);
    jet<1> own(0.0);
    if constexpr (K::internal_unknowns > 0)
        own = K::own_variable(
            jet<1>::seed(xs[static_cast<std::size_t>(m.numbering.free_count + e - 1)], 0));
    const double det = plane_stretch_of(r.area2, sh).det;  // as the relaxed element reads it
    const invariant_partials w = std::visit(
        [&](const auto& law) { return partials_of<K>(law, sh.trace_c, det, own.v); }, m.law);
    add_invariant_hessian<9 + K::internal_unknowns>(r, m.problem.thickness, sh, w, own, packed);
}

}  // namespace sheet
