// Reals in vector lanes for the element formulas: a number type with the operators + - * / and
// the functions of sheet/number.hpp, each lane rounding exactly as the scalar operation (no
// fused multiply-add; square root and division are IEEE), and the gather of several elements'
// geometry and corner displacements into lanes. Included once per target of Highway's
// dispatch, inside its target region, from a file that includes hwy/foreach_target.h.
#if defined(SHEET_LANES_INL_HPP) == defined(HWY_TARGET_TOGGLE)
#ifdef SHEET_LANES_INL_HPP
#undef SHEET_LANES_INL_HPP
#else
#define SHEET_LANES_INL_HPP
#endif

#include <hwy/highway.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "sheet/mesh.hpp"
#include "sheet/block_io.hpp"

HWY_BEFORE_NAMESPACE();
namespace sheet::HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;
using lane_tag = hn::ScalableTag<double>;
using lane_vector = hn::Vec<lane_tag>;

// The most lanes a vector of this target holds: the size of the staging arrays.
constexpr std::size_t max_lanes = HWY_LANES(double);

// Several reals, one per lane; a real converts to all lanes equal to it. The operations are
// plain inline functions (not forced inline) so that the formula templates, which are defined
// outside the target region, take them in when a flattened target function inlines them.
struct real_lanes {
    lane_vector v;
    real_lanes() = default;
    real_lanes(double x) : v(hn::Set(lane_tag(), x)) {}  // NOLINT: the formulas mix in reals
    explicit real_lanes(lane_vector x) : v(x) {}
};

inline real_lanes operator+(real_lanes a, real_lanes b) {
    return real_lanes(hn::Add(a.v, b.v));
}
inline real_lanes operator-(real_lanes a, real_lanes b) {
    return real_lanes(hn::Sub(a.v, b.v));
}
inline real_lanes operator*(real_lanes a, real_lanes b) {
    return real_lanes(hn::Mul(a.v, b.v));
}
inline real_lanes operator/(real_lanes a, real_lanes b) {
    return real_lanes(hn::Div(a.v, b.v));
}
inline real_lanes operator-(real_lanes a) {
    return real_lanes(hn::Neg(a.v));
}
inline real_lanes root(real_lanes x) {
    return real_lanes(hn::Sqrt(x.v));
}

// x^y lane by lane through the C library's pow: a vector power would round differently.
inline real_lanes power(real_lanes x, double y) {
    const lane_tag d;
    alignas(64) double lanes[max_lanes];
    hn::Store(x.v, d, lanes);
    for (std::size_t l = 0; l < hn::Lanes(d); ++l) lanes[l] = std::pow(lanes[l], y);
    return real_lanes(hn::Load(d, lanes));
}

// The initial geometry of several elements, one per lane, under sheet::element's names.
struct element_lanes {
    real_lanes area2, a_a, a_b, b_b;
    real_lanes edge_a[3], edge_b[3];
};

// The most elements staged at once: a multiple of every vector's lanes, small enough for the
// first-level cache.
constexpr std::size_t stage_elements = 64;

// A run of elements' initial geometry and corner displacements, one array per quantity. A run
// is staged whole before its vectors are loaded, so that no vector load waits for the scalar
// stores that have just written it.
struct element_stage {
    alignas(64) double area2[stage_elements], a_a[stage_elements], a_b[stage_elements],
        b_b[stage_elements];
    alignas(64) double edge_a[3][stage_elements], edge_b[3][stage_elements];
    alignas(64) double u[3][3][stage_elements];
    alignas(64) double extra[stage_elements];
};

// Stages the elements at positions at .. at + count - 1 of records (count <= stage_elements)
// with their corner displacements, read through corners (corner_sources) from xs and the
// prescribed values, and extra(position), one more per-element real (dorvan's thickness
// variable); the places from count up to padded (a multiple of the lanes, at most
// stage_elements) repeat the first element.
template <class Extra>
void stage_run(std::span<const element> records, const mesh& m, std::span<const double> xs,
               const std::int32_t* corners, std::size_t at, std::size_t count,
               std::size_t padded, element_stage& stage, Extra&& extra) {
    const double* prescribed = m.prescribed.all().data();
    for (std::size_t i = 0; i < padded; ++i) {
        const std::size_t e = at + (i < count ? i : 0);
        const element& record = records[e];
        stage.area2[i] = record.area2;
        stage.a_a[i] = record.a_a;
        stage.a_b[i] = record.a_b;
        stage.b_b[i] = record.b_b;
        for (int c = 0; c < 3; ++c) {
            stage.edge_a[c][i] = record.edge_a[c];
            stage.edge_b[c][i] = record.edge_b[c];
        }
        const std::int32_t* source = corners + 9 * e;
        for (int k = 0; k < 3; ++k)
            for (int j = 0; j < 3; ++j)
                stage.u[k][j][i] = corner_value(source[3 * k + j], xs.data(), prescribed);
        stage.extra[i] = extra(e);
    }
}

// The staged elements i .. i + lanes - 1 in lanes: geometry, corner displacements and extra.
inline void load_lanes(const element_stage& stage, std::size_t i, element_lanes& r,
                       real_lanes (&u)[3][3], real_lanes& extra) {
    const lane_tag d;
    const auto load = [&](const double* values) { return real_lanes(hn::Load(d, values + i)); };
    r.area2 = load(stage.area2);
    r.a_a = load(stage.a_a);
    r.a_b = load(stage.a_b);
    r.b_b = load(stage.b_b);
    for (int c = 0; c < 3; ++c) {
        r.edge_a[c] = load(stage.edge_a[c]);
        r.edge_b[c] = load(stage.edge_b[c]);
    }
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j) u[k][j] = load(stage.u[k][j]);
    extra = load(stage.extra);
}

// Lane l of each of the nine forces into io.forces[9 (at + l - begin) + 3 row + column], and
// of value into io.energy[at + l - begin], for the first lanes lanes: the elements at
// at .. at + lanes - 1 of the block that starts at begin.
inline void scatter_lanes(const nodal_forces<real_lanes>& f, real_lanes value, std::size_t lanes,
                          const block_io& io, std::size_t begin, std::size_t at) {
    const lane_tag d;
    alignas(64) double staged[9][max_lanes];
    alignas(64) double staged_value[max_lanes];
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j) hn::Store(f.row[k][j].v, d, staged[3 * k + j]);
    hn::Store(value.v, d, staged_value);
    double* forces = io.forces + 9 * (at - begin);
    for (std::size_t l = 0; l < lanes; ++l) {
        for (int i = 0; i < 9; ++i) forces[9 * l + i] = staged[i][l];
        io.energy[at + l - begin] = staged_value[l];
    }
}

// Lane l of value into values[at + l] for the first lanes lanes, where at + l is one of io's
// own elements.
inline void store_owned_lanes(real_lanes value, std::size_t lanes, const block_io& io,
                              std::size_t at, double* values) {
    alignas(64) double staged[max_lanes];
    hn::Store(value.v, lane_tag(), staged);
    for (std::size_t l = 0; l < lanes; ++l)
        if (at + l >= io.own_begin && at + l < io.own_end) values[at + l] = staged[l];
}

}  // namespace sheet::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // per-target include guard
