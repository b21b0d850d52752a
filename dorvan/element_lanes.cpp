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
                                 std::size_t end, const sheet::block_io& io, double* slopes) {
    namespace lanes = sheet::HWY_NAMESPACE;
    const std::size_t width = hwy::HWY_NAMESPACE::Lanes(lanes::lane_tag());
    const double* prescribed = m.prescribed.all().data();
    // x(free_count + e) with e = first + at.
    const double* thickness = xs.data() + m.free_count + (m.elements.first() - 1);
    const std::size_t elements = m.elements.size();
    lanes::corner_stage stage;
    for (std::size_t run = begin; run < end; run += lanes::stage_elements) {
        const std::size_t count = std::min(lanes::stage_elements, end - run);
        lanes::stage_corners(*io.table, run, (count + width - 1) / width * width, xs.data(),
                             prescribed, stage);
        for (std::size_t e = 0; e < count; e += width) {
            const std::size_t filled = std::min(width, count - e);
            lanes::element_lanes r;
            real_lanes u[3][3];
            lanes::load_lanes(*io.table, run, e, stage, r, u);
            const real_lanes s = lanes::load_up_to(thickness, run + e, elements);
            sheet::nodal_forces<real_lanes> f;
            const element_result_of<real_lanes> result = element_state<Law>(m, r, u, s, f);
            lanes::scatter_lanes(f, result.strain_energy, filled, io, begin, run + e);
            lanes::store_owned_lanes(result.thickness_slope, filled, io, run + e, slopes);
        }
    }
}

void evaluate_elements(const model& m, std::span<const double> xs, std::size_t begin,
                       std::size_t end, const sheet::block_io& io, double* slopes) {
    switch (m.material) {
        case 1:
            return evaluate_by_law<1>(m, xs, begin, end, io, slopes);
        case 2:
            return evaluate_by_law<2>(m, xs, begin, end, io, slopes);
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
                       std::size_t end, const sheet::block_io& io, double* slopes) {
    if (begin >= end) return;
    HWY_DYNAMIC_DISPATCH(evaluate_elements)(m, xs, begin, end, io, slopes);
}

}  // namespace dorvan
#endif
