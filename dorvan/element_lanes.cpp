// The compressible element over vector lanes, compiled once per instruction set and chosen at
// run time by Highway's dispatch.
#include "dorvan/element_lanes.hpp"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "dorvan/element_lanes.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>

#include "dorvan/element.hpp"
#include "sheet/lanes-inl.hpp"

HWY_BEFORE_NAMESPACE();
namespace dorvan::HWY_NAMESPACE {

using sheet::HWY_NAMESPACE::real_lanes;

// Flattened: the formula templates and the lane operations are all inlined here, under this
// target's instruction set.
template <int Law>
HWY_FLATTEN void evaluate_by_law(const model& m, std::span<const double> xs, std::size_t begin,
                                 std::size_t end, double* energy, double* forces, double* slopes) {
    namespace hn = hwy::HWY_NAMESPACE;
    const std::size_t lanes = hn::Lanes(sheet::HWY_NAMESPACE::lane_tag());
    const auto records = m.elements.view(m.elements.first(), m.elements.last());
    // x(free_count + e) with e = first + at.
    const double* thickness = xs.data() + m.free_count + (m.elements.first() - 1);
    const auto thickness_variable = [thickness](std::size_t at) { return thickness[at]; };
    sheet::HWY_NAMESPACE::lane_stage stage;
    for (std::size_t at = begin; at < end; at += lanes) {
        const std::size_t filled = std::min(lanes, end - at);
        sheet::HWY_NAMESPACE::element_lanes r;
        real_lanes u[3][3];
        sheet::HWY_NAMESPACE::gather_lanes(records, m, xs, at, filled, stage, r, u,
                                           thickness_variable);
        const real_lanes s(hn::Load(sheet::HWY_NAMESPACE::lane_tag(), stage.extra));
        sheet::nodal_forces<real_lanes> f;
        const element_result_of<real_lanes> result = element_state<Law>(m, r, u, s, f);
        sheet::HWY_NAMESPACE::scatter_lanes(f, result.strain_energy, filled,
                                            forces + 9 * (at - begin), energy + (at - begin));
        sheet::HWY_NAMESPACE::store_lanes(result.thickness_slope, filled, slopes + at);
    }
}

void evaluate_elements(const model& m, std::span<const double> xs, std::size_t begin,
                       std::size_t end, double* energy, double* forces, double* slopes) {
    switch (m.material) {
        case 1:
            return evaluate_by_law<1>(m, xs, begin, end, energy, forces, slopes);
        case 2:
            return evaluate_by_law<2>(m, xs, begin, end, energy, forces, slopes);
        default:
            throw undefined_law(m);
    }
}

}  // namespace dorvan::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace dorvan {

HWY_EXPORT(evaluate_elements);

void evaluate_elements(const model& m, std::span<const double> xs, std::size_t begin,
                       std::size_t end, double* energy, double* forces, double* slopes) {
    if (begin >= end) return;
    HWY_DYNAMIC_DISPATCH(evaluate_elements)(m, xs, begin, end, energy, forces, slopes);
}

}  // namespace dorvan
#endif
