// The compressible element over vector lanes, compiled once per instruction set and chosen at
// run time by Highway's dispatch.
#include "dorvan/element_lanes.hpp"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "dorvan/element_lanes.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>

#include "dorvan/element.hpp"
#include "sheet/assembly/lanes-inl.hpp"

HWY_BEFORE_NAMESPACE();
namespace dorvan::HWY_NAMESPACE {

using sheet::HWY_NAMESPACE::real_lanes;

// Flattened: the formula templates and the lane operations are all inlined here, under this
// target's instruction set.
template <class Law>
HWY_FLATTEN void evaluate_by_law(const Law& law, const model& m, std::span<const double> xs,
                                 std::size_t begin, std::size_t end, const sheet::block_io& io,
                                 double* slopes) {
    namespace lanes = sheet::HWY_NAMESPACE;
    const double t0 = m.problem.thickness;
    // x(free_count + e) with e = first + at.
    const double* thickness =
        xs.data() + m.numbering.free_count + (m.problem.mesh.elements.first() - 1);
    const std::size_t elements = m.problem.mesh.elements.size();
    lanes::for_each_vector(
        io, begin, end, xs.data(), sheet::applied_prescribed(m).all().data(),
        [&](std::size_t at, std::size_t filled, const lanes::element_lanes& r,
            const real_lanes(&u)[3][3]) {
            const real_lanes s = lanes::load_up_to(thickness, at, elements);
            sheet::nodal_forces<real_lanes> f;
            const element_result_of<real_lanes> result = element_state(law, t0, r, u, s, f);
            lanes::scatter_lanes(f, result.strain_energy, filled, io, begin, at);
            lanes::store_owned_lanes(result.thickness_slope, filled, io, at, slopes);
        });
}

void evaluate_elements(const model& m, std::span<const double> xs, std::size_t begin,
                       std::size_t end, const sheet::block_io& io, double* slopes) {
    std::visit([&](const auto& law) { evaluate_by_law(law, m, xs, begin, end, io, slopes); },
               m.law);
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
