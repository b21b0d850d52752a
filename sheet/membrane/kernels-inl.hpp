// A program's element kernels: its element over vector lanes, compiled once per instruction set
// and chosen at run time (lane_choice.hpp), and its element Hessians (by invariants, and by
// dual numbers for reference). A
// program's own file defines SHEET_MEMBRANE_KINEMATICS (its kinematics) and
// SHEET_MEMBRANE_PROGRAM (the namespace that declares its kernels), sets HWY_TARGET_INCLUDE to
// this file, includes hwy/foreach_target.h and then this file.
#if defined(SHEET_MEMBRANE_KERNELS_INL) == defined(HWY_TARGET_TOGGLE)
#ifdef SHEET_MEMBRANE_KERNELS_INL
#undef SHEET_MEMBRANE_KERNELS_INL
#else
#define SHEET_MEMBRANE_KERNELS_INL
#endif

#include <hwy/highway.h>

#include <cstddef>
#include <type_traits>
#include <variant>

#include "sheet/assembly/lanes-inl.hpp"
#include "sheet/assembly/upper_halves-inl.hpp"
#include "sheet/membrane/kinematics.hpp"
#include "sheet/membrane/relaxed_elements.hpp"

HWY_BEFORE_NAMESPACE();
namespace sheet::membrane_lanes::HWY_NAMESPACE {

using sheet::HWY_NAMESPACE::real_lanes;

// Flattened: the formula templates and the lane operations are all inlined here, under this
// target's instruction set. When then is given, after each vector's results are put,
// then(at, filled, tr, det) with the trace and the determinant of the in-plane C of the vector's
// elements by lane: what a relaxed law tests its elements by.
template <class kinematics, class Law, class Then = std::nullptr_t>
HWY_FLATTEN void evaluate_by_law(const Law& law, const model_of<kinematics>& m,
                                 std::span<const double> xs, const double* prescribed,
                                 std::size_t begin, std::size_t end, const block_io& io,
                                 double* slopes, Then then = nullptr) {
    namespace lanes = sheet::HWY_NAMESPACE;
    const double t0 = m.problem.thickness;
    const std::size_t elements = m.problem.mesh.elements.size();
    // x(free_count + e) with e = first + at: the element's own unknown
    const double* internal = nullptr;
    if constexpr (kinematics::internal_unknowns > 0)
        internal = xs.data() + m.numbering.free_count + (m.problem.mesh.elements.first() - 1);
    lanes::for_each_vector(io, begin, end, xs.data(), prescribed,
                           [&](std::size_t at, std::size_t filled, const lanes::element_lanes& r,
                               const real_lanes(&u)[3][3]) {
                               real_lanes s[1];
                               if constexpr (kinematics::internal_unknowns > 0)
                                   s[0] = lanes::load_up_to(internal, at, elements);
                               nodal_forces<real_lanes> f;
                               constexpr bool planes = !std::is_same_v<Then, std::nullptr_t>;
                               current_shape<real_lanes> c;
                               const auto result = element_of<kinematics>(law, t0, r, u, s, f,
                                                                          planes ? &c : nullptr);
                               lanes::scatter_lanes(f, result.strain_energy, filled, io, begin, at);
                               if constexpr (kinematics::internal_unknowns > 0)
                                   lanes::store_owned_lanes(kinematics::internal_slope(result),
                                                            filled, io, at, slopes);
                               if constexpr (planes) {
                                   const lanes::lane_tag d;
                                   alignas(64) double tr[lanes::max_lanes], det[lanes::max_lanes];
                                   lanes::hn::Store(c.trace_c.v, d, tr);
                                   lanes::hn::Store(plane_stretch_of(r.area2, c).det.v, d, det);
                                   lanes::clear_upper_halves();  // then is scalar code
                                   then(at, filled, tr, det);
                               }
                           });
}

// A relaxed law's elements as its plain law's over the lanes, then, one vector at a time, those
// that are not taut by the relaxed element (relax_after_lanes).
void evaluate(const model_of<SHEET_MEMBRANE_KINEMATICS>& m, std::span<const double> xs,
              const double* prescribed, std::size_t begin, std::size_t end, const block_io& io,
              double* slopes) {
    using kinematics = SHEET_MEMBRANE_KINEMATICS;
    std::visit(
        [&](const auto& law) {
            if constexpr (is_relaxed<std::decay_t<decltype(law)>>)
                evaluate_by_law<kinematics>(
                    unrelaxed(law), m, xs, prescribed, begin, end, io, slopes,
                    [&](std::size_t at, std::size_t filled, const double* tr, const double* det) {
                        relax_after_lanes<kinematics>(law, m, xs, prescribed, begin, io, slopes, at,
                                                      filled, tr, det);
                    });
            else
                evaluate_by_law<kinematics>(law, m, xs, prescribed, begin, end, io, slopes);
        },
        m.law);
    sheet::HWY_NAMESPACE::clear_upper_halves();
}

}  // namespace sheet::membrane_lanes::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include "sheet/assembly/lane_choice.hpp"
#include "sheet/mechanics/dual.hpp"
#include "sheet/mechanics/packed.hpp"
#include "sheet/membrane/invariant_hessian.hpp"

namespace sheet {

namespace membrane_lanes {
SHEET_LANE_EXPORT(evaluate);
}  // namespace membrane_lanes

}  // namespace sheet

void SHEET_MEMBRANE_PROGRAM::evaluate_elements(const sheet::model_of<SHEET_MEMBRANE_KINEMATICS>& m,
                                               std::span<const double> xs, const double* prescribed,
                                               std::size_t begin, std::size_t end,
                                               const sheet::block_io& io, double* slopes) {
    using namespace sheet;
    if (begin >= end) return;
    SHEET_LANE_DISPATCH(membrane_lanes::evaluate)(m, xs, prescribed, begin, end, io, slopes);
}

namespace sheet::membrane_lanes {

// Forward-mode differentiation of the element formulas: the nine corner displacements (and the
// element's own unknown) seeded as duals, the forces (and the true derivative by the element's
// own unknown) differentiated once more; both mixed derivatives are formed, and their mean is
// the symmetric entry.
template <class kinematics>
void element_hessian_of(const model_of<kinematics>& m, const element_columns& table, std::size_t at,
                        std::span<const double> xs, const double* prescribed, double* packed) {
    constexpr int local = 9 + kinematics::internal_unknowns;
    using number = dual<local>;
    number u[3][3];
    seed_corners([&](int i) { return corner_value(table.source(i)[at], xs.data(), prescribed); },
                 u);
    const std::int32_t e = m.problem.mesh.elements.first() + static_cast<std::int32_t>(at);
    const double t0 = m.problem.thickness;
    number internal[1];
    if constexpr (local > 9)
        internal[0] = number::seed(xs[static_cast<std::size_t>(m.numbering.free_count + e - 1)], 9);
    nodal_forces<number> forces;
    const auto result = std::visit(
        [&](const auto& law) {
            return element_of<kinematics>(law, t0, m.geometry(e), u, internal, forces);
        },
        m.law);
    number own_slope;
    if constexpr (local > 9)
        own_slope = kinematics::energy_slope(kinematics::internal_slope(result), internal[0], t0);
    const auto row = [&](int a) -> const number& {
        return a < 9 ? forces.row[a / 3][a % 3] : own_slope;
    };
    for (int b = 0; b < local; ++b)
        for (int a = 0; a <= b; ++a) {
            double& entry = packed[packed_position(a, b)];
            entry = entry + 0.5 * (row(a).d[b] + row(b).d[a]);
        }
}

}  // namespace sheet::membrane_lanes

void SHEET_MEMBRANE_PROGRAM::element_hessian(const sheet::model_of<SHEET_MEMBRANE_KINEMATICS>& m,
                                             const sheet::element_columns& table, std::size_t at,
                                             std::span<const double> xs, const double* prescribed,
                                             double* packed) {
    sheet::invariant_hessian_of<SHEET_MEMBRANE_KINEMATICS>(m, table, at, xs, prescribed, packed);
}

void SHEET_MEMBRANE_PROGRAM::element_hessian_by_duals(
    const sheet::model_of<SHEET_MEMBRANE_KINEMATICS>& m, const sheet::element_columns& table,
    std::size_t at, std::span<const double> xs, const double* prescribed, double* packed) {
    sheet::membrane_lanes::element_hessian_of<SHEET_MEMBRANE_KINEMATICS>(m, table, at, xs,
                                                                         prescribed, packed);
}
#endif  // HWY_ONCE

#endif  // per-target include guard
