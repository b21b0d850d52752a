// The incompressible element over vector lanes, compiled once per instruction set and chosen at
// run time by Highway's dispatch.
#include "melvar/element_lanes.hpp"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "melvar/element_lanes.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>

#include "melvar/element.hpp"
#include "sheet/lanes-inl.hpp"

HWY_BEFORE_NAMESPACE();
namespace melvar::HWY_NAMESPACE {

using sheet::HWY_NAMESPACE::real_lanes;

// Flattened: the formula templates and the lane operations are all inlined here, under this
// target's instruction set.
template <int Law>
HWY_FLATTEN void evaluate_by_law(const model& m, std::span<const double> xs, std::size_t begin,
                                 std::size_t end, double* energy, double* forces) {
    namespace hn = hwy::HWY_NAMESPACE;
    const std::size_t lanes = hn::Lanes(sheet::HWY_NAMESPACE::lane_tag());
    const auto records = m.elements.view(m.elements.first(), m.elements.last());
    sheet::HWY_NAMESPACE::lane_stage stage;
    for (std::size_t at = begin; at < end; at += lanes) {
        const std::size_t filled = std::min(lanes, end - at);
        sheet::HWY_NAMESPACE::element_lanes r;
        real_lanes u[3][3];
        sheet::HWY_NAMESPACE::gather_lanes(records, m, xs, at, filled, stage, r, u,
                                           [](std::size_t) { return 0.0; });
        sheet::nodal_forces<real_lanes> f;
        const element_result_of<real_lanes> result = element_state<Law>(m, r, u, f);
        sheet::HWY_NAMESPACE::scatter_lanes(f, result.strain_energy, filled,
                                            forces + 9 * (at - begin), energy + (at - begin));
    }
}

void evaluate_elements(const model& m, std::span<const double> xs, std::size_t begin,
                       std::size_t end, double* energy, double* forces) {
    switch (m.material) {
        case 1:
            return evaluate_by_law<1>(m, xs, begin, end, energy, forces);
        case 2:
            return evaluate_by_law<2>(m, xs, begin, end, energy, forces);
        case 3:
            return evaluate_by_law<3>(m, xs, begin, end, energy, forces);
        default:
            throw undefined_law(m);
    }
}

}  // namespace melvar::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace melvar {

HWY_EXPORT(evaluate_elements);

void evaluate_elements(const model& m, std::span<const double> xs, std::size_t begin,
                       std::size_t end, double* energy, double* forces) {
    if (begin >= end) return;
    HWY_DYNAMIC_DISPATCH(evaluate_elements)(m, xs, begin, end, energy, forces);
}

}  // namespace melvar
#endif
