// The terms of a problem's energy, in the order their contributions are summed: the nodal loads,
// the elements' strain energy, then the further terms in list order (the follower pressures, ...).
// Each program makes its list in one place (sheet/membrane/program.hpp).
#pragma once

#include <tuple>
#include <utility>

#include "sheet/energy/dead_loads.hpp"
#include "sheet/energy/term.hpp"

namespace sheet {

template <class Elements, class... Further>
struct energy_terms {
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
