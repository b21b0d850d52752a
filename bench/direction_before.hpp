// The L-BFGS direction as it stood before the passes were brought to the dot-product floor
// (version 0.2.0), kept so that one benchmark run measures the old and the new side by side.
#pragma once

#include <span>
#include <stdexcept>

#include "nlp/list_rec.hpp"

namespace direction_before {

inline void direction(nlp::list_rec* first, nlp::list_rec* last, std::span<const double> g,
                      std::span<double> d) {
    const std::size_t n = g.size();
    if (d.size() != n) throw std::invalid_argument("nlp: direction of the wrong length");
    const auto checked = [n](nlp::list_rec* rec) {
        if (static_cast<std::size_t>(rec->n) != n)
            throw std::invalid_argument("nlp: correction pair of the wrong length");
        return rec;
    };
    // Each pass below finishes one step of the recursion and, in the same sweep, forms the sum
    // that the next step needs from the entries it has just written: every sum still runs in
    // ascending i from 0.0 over the same values, so the result is that of the plain recursion.
    nlp::list_rec* const oldest = checked(nlp::detail::follow(first));
    nlp::list_rec* const newest = checked(nlp::detail::follow(last));
    nlp::list_rec* const forward_from = checked(nlp::detail::follow(newest->next));
    double* const dv = d.data();

    // d := g; the newest pair's s.d for the backward pass and y.y for the initial scaling
    nlp::list_rec* rec = checked(nlp::detail::follow(oldest->prev));
    double sum = 0.0;
    double yy = 0.0;
    {
        const double* const s = rec->s;
        const double* const ny = newest->y;
        for (std::size_t i = 0; i < n; ++i) {
            dv[i] = g[i];
            sum = sum + dv[i] * s[i];
            yy = yy + ny[i] * ny[i];
        }
    }
    const double gamma = newest->sy / yy;

    // backward pass, newest to oldest: alpha = s.d / sy; d := d - alpha * y; after the oldest,
    // the initial scaling d := d * gamma
    for (;;) {
        rec->alpha = sum / rec->sy;
        const double alpha = rec->alpha;
        const double* const y = rec->y;
        sum = 0.0;
        if (rec == oldest) {
            // the forward pass starts with the pair after the newest: its y.d after the scaling
            const double* const fy = forward_from->y;
            for (std::size_t i = 0; i < n; ++i) {
                const double reduced = dv[i] - alpha * y[i];
                dv[i] = reduced * gamma;
                sum = sum + dv[i] * fy[i];
            }
            break;
        }
        nlp::list_rec* const older = checked(nlp::detail::follow(rec->prev));
        const double* const s = older->s;
        for (std::size_t i = 0; i < n; ++i) {
            dv[i] = dv[i] - alpha * y[i];
            sum = sum + dv[i] * s[i];
        }
        rec = older;
    }

    // forward pass, oldest to newest: beta = y.d / sy; d := d + (alpha - beta) * s; after the
    // newest, d := -d
    for (rec = forward_from;;) {
        const double beta = sum / rec->sy;
        const double step = rec->alpha - beta;
        const double* const s = rec->s;
        if (rec == newest) {
            for (std::size_t i = 0; i < n; ++i) dv[i] = -(dv[i] + step * s[i]);
            break;
        }
        nlp::list_rec* const newer = checked(nlp::detail::follow(rec->next));
        const double* const y = newer->y;
        sum = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            dv[i] = dv[i] + step * s[i];
            sum = sum + dv[i] * y[i];
        }
        rec = newer;
    }
}

}  // namespace direction_before
