// The generic quasi-Newton minimiser: one instance per objective, offering the line search and
// three minimisers with one calling contract.
//
// The objective is any callable double(std::int32_t n, const terms::fmat1& x, terms::fmat1& g)
// that returns f(x) for x(1..n), stores the gradient in g(1..n) and leaves x unchanged. The
// minimisers pass the caller's own x and g to it and use g as the gradient without checking it.
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

namespace nlp {

template <class Objective>
class minimiser {
public:
    // The instance refers to the objective, which must outlive it.
    explicit minimiser(Objective& objective) : objective_(objective) {}

    // The step-length search (linesearch.hpp): returns the energy at the new x.
    double linesearch(std::int32_t n, std::int32_t search_limit, double search_factor, double f0,
                      terms::fmat1& x, terms::fmat1& g, const terms::fmat1& d) {
        return nlp::linesearch(objective_, n, search_limit, search_factor, f0, x, g, d);
    }

    // Limited-memory BFGS (lbfgs.hpp); observe sees every iteration.
    template <class Observer = no_observer>
    minimiser_result lbfgs(std::int32_t memory_size, std::int32_t n, std::int32_t max_iterations,
                           std::int32_t search_limit, double tolerance, double search_factor,
                           terms::fmat1& x, terms::fmat1& g, Observer&& observe = Observer{}) {
        return nlp::lbfgs(objective_, memory_size, n, max_iterations, search_limit, tolerance,
                          search_factor, x, g, std::forward<Observer>(observe));
    }

    // Memoryless modified BFGS (mbfgs.hpp).
    minimiser_result mbfgs(std::int32_t n, std::int32_t max_iterations, std::int32_t search_limit,
                           double tolerance, double search_factor, terms::fmat1& x,
                           terms::fmat1& g) {
        return nlp::mbfgs(objective_, n, max_iterations, search_limit, tolerance, search_factor, x,
                          g);
    }

    // Dense self-scaling BFGS (bfgs.hpp).
    minimiser_result bfgs(std::int32_t n, std::int32_t max_iterations, std::int32_t search_limit,
                          double tolerance, double search_factor, terms::fmat1& x,
                          terms::fmat1& g) {
        return nlp::bfgs(objective_, n, max_iterations, search_limit, tolerance, search_factor, x,
                         g);
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
