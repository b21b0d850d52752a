// Newton's method: each iteration's direction from the step system of the objective (its
// Hessian made positive definite, factorised and solved), then a backtracking search along it.
#pragma once

#include <cstdint>
#include <utility>

#include "arrays/terms.hpp"
#include "nlp/backtracking.hpp"
#include "nlp/minimiser_result.hpp"
#include "nlp/norm.hpp"
#include "nlp/observer.hpp"
#include "nlp/settings.hpp"

namespace nlp {

// Minimises the objective from x.
//   in:  objective(n, x, g): the energy at x, and g the gradient the stopping test bounds;
//        system: direction(x, g, d) puts into d a descent direction at x (g the objective's
//        gradient there) and returns the energy's slope along it; admissible(x) says whether x
//        may be evaluated; step_taken(t) hears the step length the search accepted.
//        settings (settings.hpp), n, x the start point; x and g cover 1..n.
//   out: x = final point, g = the objective's gradient there; minor = Newton iterations,
//        energy = at x, optimal = norm(n, g) <= tolerance with no NaN.
//   observe(iteration_state) at the start and after every iteration.
// halt from the search or the system passes through.
template <class Objective, class System, class Observer = no_observer>
minimiser_result newton(Objective& objective, System& system, const newton_settings& settings,
                        std::int32_t n, terms::real_vector& x, terms::real_vector& g,
                        Observer&& observe = Observer{}) {
    const newton_settings used = normalised(settings);
    terms::real_vector d(1, n);
    double energy = objective(n, std::as_const(x), g);
    double step = 0.0;
    const auto show = [&](std::int32_t iteration) {
        observe(iteration_state{iteration, energy, step, std::as_const(x).view(1, n),
                                std::as_const(g).view(1, n)});
    };
    show(0);
    std::int32_t k = 0;
    while (k < used.max_iterations && norm(n, g) > used.tolerance) {
        const double slope = system.direction(std::as_const(x), std::as_const(g), d);
        energy = backtrack(
            objective, [&system](const terms::real_vector& at) { return system.admissible(at); },
            used.search, n, energy, x, g, d, slope, &step);
        system.step_taken(step);
        k = k + 1;
        show(k);
    }
    return {k, energy, is_optimal(n, g, energy, used.tolerance)};
}

}  // namespace nlp
