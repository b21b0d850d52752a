// Modified (memoryless) BFGS: each direction is the BFGS update, with the latest pair only, of
// the scaled identity (s.y / y.y) I, applied to -g in closed form from four dot products.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

#include "arrays/terms.hpp"
#include "nlp/linesearch.hpp"
#include "nlp/minimiser_result.hpp"
#include "nlp/norm.hpp"
#include "nlp/settings.hpp"

namespace nlp {

// Minimises the objective from x; arguments and result as lbfgs, with the settings of a method
// that keeps no pairs.
// Follows, up to rounding, the iterates of lbfgs with one stored pair.
template <class Objective>
minimiser_result mbfgs(Objective& objective, const bfgs_settings& settings, std::int32_t n,
                       terms::real_vector& x, terms::real_vector& g) {
    const bfgs_settings used = normalised(settings);
    (void)x.view(1, n);
    (void)g.view(1, n);
    terms::real_vector d(1, n);
    terms::real_vector s(1, n);  // saved point, then the step s = x - saved x
    terms::real_vector y(1, n);  // saved gradient, then the change y = g - saved g
    const std::span<double> dv = d.view(1, n);
    const std::span<double> sv = s.view(1, n);
    const std::span<double> yv = y.view(1, n);
    const std::size_t count = dv.size();

    const auto step = [&](double energy) {
        return search_and_pair(objective, used.search, n, energy, x, g, d, sv, yv);
    };

    double energy = objective(n, std::as_const(x), g);
    std::int32_t k = 1;
    {
        const std::span<const double> gv = std::as_const(g).view(1, n);
        for (std::size_t i = 0; i < count; ++i) dv[i] = -gv[i];
    }
    energy = step(energy);

    while (k < used.max_iterations && norm(n, g) > used.tolerance) {
        k = k + 1;
        const std::span<const double> gv = std::as_const(g).view(1, n);
        // the four sums in one pass
        double gy = 0.0, gs = 0.0, sy = 0.0, yy = 0.0;
        for (std::size_t i = 0; i < count; ++i) {
            gy = gy + gv[i] * yv[i];
            gs = gs + gv[i] * sv[i];
            sy = sy + yv[i] * sv[i];
            yy = yy + yv[i] * yv[i];
        }
        const double cs = gy / yy - (gs + gs) / sy;
        const double cy = gs / yy;
        const double cg = sy / yy;
        // d = -H.g = cs s + cy y - cg g
        for (std::size_t i = 0; i < count; ++i) dv[i] = (sv[i] * cs + yv[i] * cy) - gv[i] * cg;
        energy = step(energy);
    }

    return {k, energy, is_optimal(n, g, energy, used.tolerance)};
}

}  // namespace nlp
