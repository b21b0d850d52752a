// One contribution to the total potential energy, as every part of the run sees it: the
// elements' strain energy, the nodal loads, a follower pressure, and whatever is added later.
// Each term works at a point of the unknowns under the load state of the run, and gives:
//   present(p)                   whether it contributes at all (a term with nothing to add leaves
//                                everything as it is, to the bit)
//   add_energy(p, gs, energy)    its energy added into energy and its gradient into gs, each sum
//                                in the term's own fixed order, on one thread
//   add_element_hessian(p, at, packed)
//                                its second derivatives on the element at position at, added into
//                                that element's packed block (Newton's method); a term whose
//                                Hessian needs a state of the point gives hessian(p) instead and
//                                add_element_hessian(p, state, at, packed), and, when it couples
//                                many nodes at once, add_low_rank(p, state, parts): coefficient
//                                v v' parts kept apart from the sparse matrix
//   admissible(p, q)             whether the step from p to q may be evaluated (no triangle turned
//                                over on the way ...)
//   add_forces(p, forces)        its share of every component's out-of-balance force, by (node,
//                                direction): at a held component, what the support takes up
//   add_fields(p, fields)        its values for the .vtu's field data
#pragma once

#include <concepts>
#include <cstddef>
#include <span>
#include <vector>

#include "arrays/terms.hpp"
#include "sheet/assembly/assembly_plan.hpp"
#include "sheet/model/model.hpp"

namespace sheet {

// Where the terms are evaluated: the unknowns xs = x(1..unknown_count) of the started problem,
// whose elements and numbering plan holds, under the load state load.
struct term_point {
    const problem& sheet;
    const assembly_plan& plan;
    const load_state& load;
    std::span<const double> xs;

    // Every component's prescribed value at the load state, by c = 3 (node - 1) + direction - 1.
    const double* prescribed() const { return load.prescribed(sheet).all().data(); }
};

// A part of a Hessian that couples many unknowns: coefficient v v', v over the free components.
struct low_rank_part {
    double coefficient = 0.0;
    std::vector<double> vector;
};

// Whether a term gives a state for its Hessian (and its low-rank parts).
template <class Term>
concept with_hessian_state = requires(const Term& term, const term_point& p, std::size_t at,
                                      double* packed, std::vector<low_rank_part>& parts) {
    term.hessian(p);
    term.add_element_hessian(p, term.hessian(p), at, packed);
    term.add_low_rank(p, term.hessian(p), parts);
};

template <class Term>
concept energy_term = requires(const Term& term, const term_point& p, std::span<double> gs,
                               double& energy, terms::real_matrix& forces,
                               std::vector<field_value>& fields) {
    { term.present(p) } -> std::same_as<bool>;
    term.add_energy(p, gs, energy);
    { term.admissible(p, p) } -> std::same_as<bool>;
    term.add_forces(p, forces);
    term.add_fields(p, fields);
}
&&(with_hessian_state<Term> ||
   requires(const Term& term, const term_point& p, std::size_t at, double* packed) {
       term.add_element_hessian(p, at, packed);
   });

}  // namespace sheet
