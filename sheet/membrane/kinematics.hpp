// What a membrane program tells the scaffold both programs share (sheet/membrane/): its laws, its
// element, its report's stresses and its unknowns. A kinematics K gives
//   laws                    a std::variant of its law structs (sheet/model/law.hpp)
//   text                    its name and purpose, for the usage text
//   thickness_column        whether the report's element table shows the thickness
//   internal_unknowns       the unknowns of each element's own after the free components (0 or
//                           1; each starts at 1.0): dorvan's thickness variable
//   thickness_stretch(r, s) lambda3 of an element with result r and internal unknowns s
//   plane_density(law, tr, det, c), relaxed_plane_density(law, tr, det, c), own_variable(s)
//                           what Newton's element Hessian by invariants takes
//                           (invariant_hessian.hpp): the element's density W under a plain law
//                           by trace C and det C of its plane and its third variable c, and the
//                           relaxed density under a relaxed law; with internal unknowns, c by
//                           the unknown (the templates are over the number type)
// and, with internal unknowns, internal_slope(r) (the objective's gradient entry) and
// energy_slope(slope, s, t0) (the true derivative of the energy by the unknown, which the
// reference Hessian by dual numbers differentiates). In the law's namespace,
// element_state(law, t0, r, u[, s], forces [, shape]) evaluates one element (its result has
// strain_energy, w1, w2 and the rest), element_taut_at_once(law, tr, det[, s]) says whether a
// relaxed law's element whose plane has trace C = tr and det C = det (sheet::plane_stretch_of) is
// taut by the relaxation's first test (its element_state is then the plain law's) and
// stresses_of(result) gives the report's stresses. Two kernels, in the same namespace, are
// compiled once for each program, in the file that includes sheet/membrane/kernels-inl.hpp:
//   evaluate_elements(m, xs, prescribed, begin, end, io, slopes)
//       the elements at positions begin..end-1 over vector lanes at the unknowns xs = x(1..) and
//       the prescribed values (by component), their energies and forces put as io says and,
//       with internal unknowns, the gradient entries of io's own elements' at slopes[at];
//   element_hessian(m, table, at, xs, prescribed, packed)
//       the Hessian of the strain energy of the element at position at over its
//       9 + internal_unknowns unknowns (its corners' components, then its own), added into
//       packed: by the invariants of the element's plane (invariant_hessian.hpp); beside it
//       element_hessian_by_duals, with the same arguments, forms it by dual numbers through the
//       whole element, the reference its tests and its benchmark compare it with.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>

#include "sheet/assembly/block_io.hpp"
#include "sheet/mechanics/triangle.hpp"
#include "sheet/model/model.hpp"

namespace sheet {

template <class K>
concept kinematics = requires {
    typename K::laws;
    { K::internal_unknowns } -> std::convertible_to<int>;
    { K::thickness_column } -> std::convertible_to<bool>;
    K::text.name;
}
&&(K::internal_unknowns == 0 || K::internal_unknowns == 1);

template <class K>
using model_of = membrane_model<typename K::laws>;

// K's element under law: its result and its forces, the internal unknowns (when it has any) at
// internal[0].
template <class K, class Law, class Record, class T>
auto element_of(const Law& law, double t0, const Record& r, const T (&u)[3][3], const T* internal,
                nodal_forces<T>& forces, current_shape<T>* shape = nullptr) {
    if constexpr (K::internal_unknowns == 1)
        return element_state(law, t0, r, u, internal[0], forces, shape);
    else
        return element_state(law, t0, r, u, forces, shape);
}

// Whether K's element under the relaxed law, whose plane has trace C = tr and det C = det, is
// taut by the relaxation's first test, the internal unknowns (when it has any) at internal[0].
template <class K, class Law>
bool taut_at_once_of(const Law& law, double tr, double det, const double* internal) {
    if constexpr (K::internal_unknowns == 1)
        return element_taut_at_once(law, tr, det, internal[0]);
    else
        return element_taut_at_once(law, tr, det);
}

}  // namespace sheet
