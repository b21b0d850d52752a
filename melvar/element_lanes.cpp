// The incompressible element over vector lanes, compiled once per instruction set and chosen at
// run time by Highway's dispatch.
#include "melvar/element_lanes.hpp"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "melvar/element_lanes.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>

#include "melvar/element.hpp"
#include "sheet/assembly/lanes-inl.hpp"

HWY_BEFORE_NAMESPACE();
namespace melvar::HWY_NAMESPACE {

using sheet::HWY_NAMESPACE::real_lanes;

// Flattened: the formula templates and the lane operations are all inlined here, under this
// target's instruction set.
template <class Law>
HWY_FLATTEN void evaluate_by_law(const Law& law, const model& m, std::span<const double> xs,
                                 std::size_t begin, std::size_t end, const sheet::block_io& io) {
    namespace lanes = sheet::HWY_NAMESPACE;
    const double t0 = m.problem.thickness;
    lanes::for_each_vector(io, begin, end, xs.data(), sheet::applied_prescribed(m).all().data(),
                           [&](std::size_t at, std::size_t filled, const lanes::element_lanes& r,
                               const real_lanes(&u)[3][3]) {
                               sheet::nodal_forces<real_lanes> f;
                               const element_result_of<real_lanes> result =
                                   element_state(law, t0, r, u, f);
                               lanes::scatter_lanes(f, result.strain_energy, filled, io, begin, at);
                           });
}

void evaluate_elements(const model& m, std::span<const double> xs, std::size_t begin,
                       std::size_t end, const sheet::block_io& io) {
    std::visit([&](const auto& law) { evaluate_by_law(law, m, xs, begin, end, io); }, m.law);
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
