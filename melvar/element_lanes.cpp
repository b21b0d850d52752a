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
                                 std::size_t end, const sheet::block_io& io) {
    namespace lanes = sheet::HWY_NAMESPACE;
    const std::size_t width = hwy::HWY_NAMESPACE::Lanes(lanes::lane_tag());
    const double* prescribed = m.prescribed.all().data();
    lanes::corner_stage stage;
    for (std::size_t run = begin; run < end; run += lanes::stage_elements) {
        const std::size_t count = std::min(lanes::stage_elements, end - run);
        lanes::stage_corners(*io.table, run, (count + width - 1) / width * width, xs.data(),
                             prescribed, stage);
        for (std::size_t e = 0; e < count; e += width) {
            lanes::element_lanes r;
            real_lanes u[3][3];
            lanes::load_lanes(*io.table, run, e, stage, r, u);
            sheet::nodal_forces<real_lanes> f;
            const element_result_of<real_lanes> result = element_state<Law>(m, r, u, f);
            lanes::scatter_lanes(f, result.strain_energy, std::min(width, count - e), io, begin,
                                 run + e);
        }
    }
}

void evaluate_elements(const model& m, std::span<const double> xs, std::size_t begin,
                       std::size_t end, const sheet::block_io& io) {
    switch (m.material) {
        case 1:
            return evaluate_by_law<1>(m, xs, begin, end, io);
        case 2:
            return evaluate_by_law<2>(m, xs, begin, end, io);
        case 3:
            return evaluate_by_law<3>(m, xs, begin, end, io);
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
                       std::size_t end, const sheet::block_io& io) {
    if (begin >= end) return;
    HWY_DYNAMIC_DISPATCH(evaluate_elements)(m, xs, begin, end, io);
}

}  // namespace melvar
#endif
