// The generic quasi-Newton minimiser: one instance per objective, offering the line search and
// the three methods (lbfgs, mbfgs, bfgs) with one calling contract.
//
// The objective is any callable double(std::int32_t n, const terms::real_vector& x,
// terms::real_vector& g) that returns f(x) for x(1..n), stores the gradient in g(1..n) and leaves x
// unchanged. The minimisers pass the caller's own x and g to it and use g as the gradient without
// checking it.
#pragma once

#include <cstdint>
#include <utility>

#include "arrays/terms.hpp"
#include "nlp/bfgs.hpp"
#include "nlp/halt.hpp"
#include "nlp/lbfgs.hpp"
#include "nlp/linesearch.hpp"
#include "nlp/mbfgs.hpp"
#include "nlp/minimiser_result.hpp"
#include "nlp/norm.hpp"
#include "nlp/numeric_error.hpp"
#include "nlp/observer.hpp"
#include "nlp/settings.hpp"

namespace nlp {

template <class Objective>
class minimiser {
public:
    // The instance refers to the objective, which must outlive it.
    explicit minimiser(Objective& objective) : objective_(objective) {}

    // The step-length search (linesearch.hpp): returns the energy at the new x.
    double linesearch(const search_settings& search, std::int32_t n, double f0,
                      terms::real_vector& x, terms::real_vector& g, const terms::real_vector& d) {
        return nlp::linesearch(objective_, search, n, f0, x, g, d);
    }

    // Limited-memory BFGS (lbfgs.hpp); observe sees every iteration.
    template <class Observer = no_observer>
    minimiser_result lbfgs(const lbfgs_settings& settings, std::int32_t n, terms::real_vector& x,
                           terms::real_vector& g, Observer&& observe = Observer{}) {
        return nlp::lbfgs(objective_, settings, n, x, g, std::forward<Observer>(observe));
    }

    // Memoryless modified BFGS (mbfgs.hpp).
    minimiser_result mbfgs(const bfgs_settings& settings, std::int32_t n, terms::real_vector& x,
                           terms::real_vector& g) {
        return nlp::mbfgs(objective_, settings, n, x, g);
    }

    // Dense self-scaling BFGS (bfgs.hpp).
    minimiser_result bfgs(const bfgs_settings& settings, std::int32_t n, terms::real_vector& x,
                          terms::real_vector& g) {
        return nlp::bfgs(objective_, settings, n, x, g);
    }

    // Position of the entry (i, j), i <= j, in the packed matrix of bfgs.
    static std::int32_t packed_position(std::int32_t n, std::int32_t j, std::int32_t i) {
        return nlp::packed_position(n, j, i);
    }

private:
    Objective& objective_;
};

template <class Objective>
minimiser(Objective&) -> minimiser<Objective>;

}  // namespace nlp
