// Newton's method: each iteration's direction from the step system of the objective (its
// Hessian made positive definite, factorised and solved), then a backtracking search along it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "arrays/terms.hpp"
#include "nlp/backtracking.hpp"
#include "nlp/minimiser_result.hpp"
#include "nlp/norm.hpp"
#include "nlp/observer.hpp"
#include "nlp/settings.hpp"

namespace nlp {

// What a Newton system says of the direction it gives: the energy's slope along it, g' . d, and
// the curvature of the energy's true second derivatives along it, d' H d, which make the
// quadratic model m(t) = t slope + t^2 curvature / 2 of the energy along d.
struct step_model {
    double slope;
    double curvature;
};

// Minimises the objective from x.
//   in:  objective(n, x, g): the energy at x, and g the gradient the stopping test bounds;
//        system: direction(x, g, d) puts into d a descent direction at x (g the objective's
//        gradient there) and returns its step_model; admissible(x) says whether x may be
//        evaluated; step_taken(t, ratio, uphill) hears the step length t the search accepted,
//        the ratio of the energy's fall to the fall the model predicted for it, m(t) (below 0
//        when the energy rose), and whether a longer trial was rejected for its energy (not for
//        its point alone).
//        settings (settings.hpp), n, x the start point; x and g cover 1..n.
//   out: x = final point, g = the objective's gradient there; minor = Newton iterations,
//        energy = at x, optimal = norm(n, g) <= tolerance with no NaN.
//   observe(iteration_state) at the start and after every iteration.
// The search is nonmonotone (Grippo, Lampariello and Lucidi, 1986): a trial's decrease is
// measured from the highest energy of the last nonmonotone_memory iterates, but never from more
// than nonmonotone_rise times the step's slope |g' d| above the current energy. Where the
// energy's valleys are narrow and curved, or its second derivatives jump (a sheet's elements
// passing between taut and wrinkled), a whole Newton step that rises a little on the way is
// taken, where a monotone search would cut it back and crawl; the bound keeps the large fall of
// the first steps from licensing rises out of all proportion to the step.
// halt from the search or the system passes through.
template <class Objective, class System, class Observer = no_observer>
minimiser_result newton(Objective& objective, System& system, const newton_settings& settings,
                        std::int32_t n, terms::real_vector& x, terms::real_vector& g,
                        Observer&& observe = Observer{}) {
    const newton_settings used = normalised(settings);
    terms::real_vector d(1, n);
    double energy = objective(n, std::as_const(x), g);
    double step = 0.0;
    bool uphill = false;
    const auto show = [&](std::int32_t iteration) {
        observe(iteration_state{iteration, energy, step, std::as_const(x).view(1, n),
                                std::as_const(g).view(1, n)});
    };
    show(0);
    // the energies of the last iterates, the oldest overwritten first
    std::vector<double> recent(static_cast<std::size_t>(used.nonmonotone_memory), energy);
    std::int32_t k = 0;
    while (k < used.max_iterations && norm(n, g) > used.tolerance) {
        const double before = energy;
        const step_model model = system.direction(std::as_const(x), std::as_const(g), d);
        const double reference = std::min(*std::max_element(recent.begin(), recent.end()),
                                          before - used.nonmonotone_rise * model.slope);
        energy = backtrack(
            objective, [&system](const terms::real_vector& at) { return system.admissible(at); },
            used.search, n, before, reference, x, g, d, model.slope, &step, &uphill);
        recent[static_cast<std::size_t>(k % used.nonmonotone_memory)] = energy;
        // the energy's fall against the model's, m(t) = t slope + t^2 curvature / 2
        const double predicted = step * model.slope + 0.5 * (step * step) * model.curvature;
        system.step_taken(step, (energy - before) / predicted, uphill);
        k = k + 1;
        show(k);
    }
    return {k, energy, is_optimal(n, g, energy, used.tolerance)};
}

}  // namespace nlp
