// Limited-memory BFGS: the inverse Hessian is never formed; the last memory_size correction
// pairs are kept in a circular buffer (pair_history.hpp) and every direction comes from the
// two-loop recursion over them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

#include "arrays/terms.hpp"
#include "nlp/linesearch.hpp"
#include "nlp/minimiser_result.hpp"
#include "nlp/norm.hpp"
#include "nlp/observer.hpp"
#include "nlp/pair_history.hpp"
#include "nlp/settings.hpp"

namespace nlp {

// Minimises the objective from x.
//   in:  settings (settings.hpp: the pairs kept, the iteration limit, the tolerance on
//        norm(n, g) and the line search's own), n, x (start point).
//        x and g must cover 1..n; g's contents on entry are not read.
//   out: x = final point, g = gradient there; minor = iterations (line searches), energy = the
//        last line search's value (finite, as every search's), optimal = norm(n, g) <=
//        tolerance with no NaN.
//   observe(iteration_state) is called at the starting point and after every iteration.
// The run also ends, not optimal, when an iteration's pair has s.y = 0 (its search left x as it
// was, or the gradient): the recursion divides by every pair's s.y and would give a direction of
// NaN from then on.
// halt from the line search passes through; all work storage is released on every path.
template <class Objective, class Observer = no_observer>
minimiser_result lbfgs(Objective& objective, const lbfgs_settings& settings, std::int32_t n,
                       terms::real_vector& x, terms::real_vector& g,
                       Observer&& observe = Observer{}) {
    const lbfgs_settings used = normalised(settings);
    (void)x.view(1, n);
    (void)g.view(1, n);
    terms::real_vector d(1, n);
    terms::real_vector s(1, n);  // previous point; the step s = x - previous x is kept
    terms::real_vector y(1, n);  // previous gradient; the change y = g - previous g is kept
    const std::span<double> dv = d.view(1, n);
    const std::span<double> sv = s.view(1, n);
    const std::span<double> yv = y.view(1, n);
    const std::size_t count = dv.size();

    double step_length = 0.0;  // of the last search, for the observer
    const auto step = [&](double energy) {
        return search_and_save(objective, used.search, n, energy, x, g, d, sv, yv, &step_length);
    };
    const auto show = [&](std::int32_t iteration, double energy) {
        observe(iteration_state{iteration, energy, step_length, std::as_const(x).view(1, n),
                                std::as_const(g).view(1, n)});
    };
    const pair_change change{std::as_const(x).view(1, n), sv, std::as_const(g).view(1, n), yv};

    double energy = objective(n, std::as_const(x), g);
    show(0, energy);
    std::int32_t k = 1;

    // steepest descent first
    {
        const std::span<const double> gv = std::as_const(g).view(1, n);
        for (std::size_t i = 0; i < count; ++i) dv[i] = -gv[i];
    }
    energy = step(energy);
    show(k, energy);
    // Each iteration's pair is stored in the pass that starts the next direction; that pass
    // also finds norm(n, g) for the test that decides whether there is a next iteration at all.
    pair_history pairs(count, used.memory_size);

    while (k < used.max_iterations) {
        if (!(pairs.store_and_direction(change, dv) > used.tolerance)) break;
        if (pairs.sy(pairs.size() - 1) == 0.0) break;  // no direction can be formed
        k = k + 1;
        energy = step(energy);
        show(k, energy);
    }

    return {k, energy, is_optimal(n, g, energy, used.tolerance)};
}

}  // namespace nlp
