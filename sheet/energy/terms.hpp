// The terms of a problem's energy, in the order their contributions are summed: the nodal loads,
// the elements' strain energy, then the further terms in list order (the follower pressures, ...).
// Each program makes its list in one place (sheet/membrane/program.hpp).
#pragma once

#include <tuple>
#include <utility>

#include "sheet/energy/dead_loads.hpp"
#include "sheet/energy/term.hpp"

namespace sheet {

// The state of a term that gives none for its Hessian.
struct no_hessian_state {};

template <class Elements, class... Further>
struct energy_terms {
    template <class Term>
    static auto state_of(const Term& term, const term_point& p) {
        if constexpr (with_hessian_state<Term>)
            return term.present(p) ? term.hessian(p) : decltype(term.hessian(p)){};
        else
            return no_hessian_state{};
    }
    template <class Term, class State>
    static void add_block(const Term& term, const term_point& p, const State& state, std::size_t at,
                          double* packed) {
        if (!term.present(p)) return;
        if constexpr (with_hessian_state<Term>)
            term.add_element_hessian(p, state, at, packed);
        else
            term.add_element_hessian(p, at, packed);
    }
    template <class Term, class State>
    static bool add_parts(const Term& term, const term_point& p, const State& state,
                          std::vector<low_rank_part>& parts) {
        if constexpr (with_hessian_state<Term>)
            if (term.present(p)) term.add_low_rank(p, state, parts);
        return true;
    }

    dead_loads loads;
    Elements elements;
    std::tuple<Further...> further;

    // visit(term) for every term, in list order.
    template <class Visit>
    void for_each(Visit&& visit) const {
        visit(loads);
        visit(elements);
        for_each_further(visit);
    }
    template <class Visit>
    void for_each_further(Visit&& visit) const {
        std::apply([&](const auto&... term) { (visit(term), ...); }, further);
    }

    // Newton's parts of the further terms at p: the state each gives for its Hessian (a tag for
    // one that gives none), then its element blocks and its low-rank parts.
    auto hessian_states(const term_point& p) const {
        return std::apply(
            [&](const auto&... term) { return std::make_tuple(state_of(term, p)...); }, further);
    }
    template <class States>
    void add_element_hessian(const term_point& p, const States& states, std::size_t at,
                             double* packed) const {
        elements.add_element_hessian(p, at, packed);
        [&]<std::size_t... I>(std::index_sequence<I...>) {
            (add_block(std::get<I>(further), p, std::get<I>(states), at, packed), ...);
        }
        (std::index_sequence_for<Further...>());
    }
    template <class States>
    void add_low_rank(const term_point& p, const States& states,
                      std::vector<low_rank_part>& parts) const {
        [&]<std::size_t... I>(std::index_sequence<I...>) {
            ((void)add_parts(std::get<I>(further), p, std::get<I>(states), parts), ...);
        }
        (std::index_sequence_for<Further...>());
    }

    // The constraints that further terms hold by an augmented Lagrangian (a chamber's volume):
    // whether each holds at p (no part of the out-of-balance forces that its error makes is
    // above tolerance), and their multipliers moved to the values at p. A run minimises,
    // and moves the multipliers, until they hold.
    bool constraints_held(const term_point& p, double tolerance) const {
        bool held = true;
        for_each_further([&](const auto& term) {
            if constexpr (requires { term.constraints_held(p, tolerance); })
                held = held && term.constraints_held(p, tolerance);
        });
        return held;
    }
    void update_multipliers(const term_point& p) {
        std::apply(
            [&](auto&... term) {
                (([&] {
                     if constexpr (requires { term.update_multipliers(p); })
                         term.update_multipliers(p);
                 }()),
                 ...);
            },
            further);
    }

    // The chambers of further terms that have them, as found at p, in list order.
    std::vector<chamber_reading> chamber_readings(const term_point& p) const {
        std::vector<chamber_reading> out;
        for_each_further([&](const auto& term) {
            if constexpr (requires { term.readings(p); }) {
                const std::vector<chamber_reading> some = term.readings(p);
                out.insert(out.end(), some.begin(), some.end());
            }
        });
        return out;
    }

    // Whether a further term contributes at p.
    bool further_present(const term_point& p) const {
        bool any = false;
        for_each_further([&](const auto& term) { any = any || term.present(p); });
        return any;
    }
    // Whether every term admits the step from p to q.
    bool admissible(const term_point& p, const term_point& q) const {
        bool all = true;
        for_each([&](const auto& term) { all = all && term.admissible(p, q); });
        return all;
    }
    // The terms' field data at p, in list order.
    std::vector<field_value> fields(const term_point& p) const {
        std::vector<field_value> out;
        for_each([&](const auto& term) {
            if (term.present(p)) term.add_fields(p, out);
        });
        return out;
    }
};

}  // namespace sheet
