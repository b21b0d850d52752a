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

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "sheet/assembly/block_io.hpp"
#include "sheet/assembly/lane_powers.hpp"
#include "sheet/assembly/upper_halves-inl.hpp"
#include "sheet/model/model.hpp"

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
    clear_upper_halves();
    powers_in_place(lanes, hn::Lanes(d), y);
    return real_lanes(hn::Load(d, lanes));
}

// Whether |x| <= bound in every lane of every x (false where a lane holds NaN).
template <class... Lanes>
bool all_magnitudes_at_most(double bound, real_lanes x, Lanes... xs) {
    const lane_tag d;
    const lane_vector limit = hn::Set(d, bound);
    auto within = hn::Le(hn::Abs(x.v), limit);
    ((within = hn::And(within, hn::Le(hn::Abs(xs.v), limit))), ...);
    return hn::AllTrue(d, within);
}

// Whether x >= bound in every lane (false where a lane holds NaN).
inline bool all_at_least(double bound, real_lanes x) {
    const lane_tag d;
    return hn::AllTrue(d, hn::Ge(x.v, hn::Set(d, bound)));
}

// Whether some lane of some x holds -0.
template <class... Lanes>
bool any_negative_zero(real_lanes x, Lanes... xs) {
    const hn::RebindToUnsigned<lane_tag> d;
    const auto negative_zero = hn::Set(d, std::uint64_t{1} << 63);
    auto found = hn::Eq(hn::BitCast(d, x.v), negative_zero);
    ((found = hn::Or(found, hn::Eq(hn::BitCast(d, xs.v), negative_zero))), ...);
    return !hn::AllFalse(d, found);
}

// The initial geometry of several elements, one per lane, under sheet::element's names.
struct element_lanes {
    real_lanes area2, a_a, a_b, b_b;
    real_lanes edge_a[3], edge_b[3];
};

static_assert(max_lanes <= element_columns::padding);

// The reals values[at + l] in lanes, where at + l < count; the lanes from count on repeat
// values[count - 1].
inline real_lanes load_up_to(const double* values, std::size_t at, std::size_t count) {
    const lane_tag d;
    if (at + hn::Lanes(d) <= count) return real_lanes(hn::LoadU(d, values + at));
    alignas(64) double lanes[max_lanes];
    for (std::size_t l = 0; l < hn::Lanes(d); ++l) lanes[l] = values[std::min(at + l, count - 1)];
    return real_lanes(hn::Load(d, lanes));
}

// The most elements whose corner displacements are staged at once: a multiple of every
// vector's lanes, small enough for the first-level cache.
constexpr std::size_t stage_elements = 64;

// Corner displacements of a run of elements, one array per corner source. A run is staged
// whole, one scalar at a time (a hardware gather is slower on some CPUs), before its vectors
// are loaded, so that no vector load waits for the scalar stores that have just written it.
struct corner_stage {
    alignas(64) double u[9][stage_elements];
};

// Stages the displacements of the corners of the elements at .. at + count - 1 of table
// (count <= stage_elements, a multiple of the lanes; the table's padding covers what lies
// beyond its last element), from the unknowns xs or the prescribed values.
inline void stage_corners(const element_columns& table, std::size_t at, std::size_t count,
                          const double* xs, const double* prescribed, corner_stage& stage) {
    for (int l = 0; l < 3; ++l) {
        const std::int32_t* nodes = table.node(l) + at;
        double* u0 = stage.u[3 * l];
        double* u1 = stage.u[3 * l + 1];
        double* u2 = stage.u[3 * l + 2];
        for (std::size_t e = 0; e < count; ++e) {
            const std::int32_t x = nodes[e];
            if (x >= 0) {  // three unknowns that follow one another
                u0[e] = xs[x];
                u1[e] = xs[x + 1];
                u2[e] = xs[x + 2];
            } else {
                u0[e] = corner_value(table.source(3 * l)[at + e], xs, prescribed);
                u1[e] = corner_value(table.source(3 * l + 1)[at + e], xs, prescribed);
                u2[e] = corner_value(table.source(3 * l + 2)[at + e], xs, prescribed);
            }
        }
    }
}

// The elements at + e .. at + e + lanes - 1 of table in lanes: their geometry from the table
// and their corner displacements from stage, which holds the elements from at on.
inline void load_lanes(const element_columns& table, std::size_t at, std::size_t e,
                       const corner_stage& stage, element_lanes& r, real_lanes (&u)[3][3]) {
    const lane_tag d;
    const auto quantity = [&](int q) {
        return real_lanes(hn::LoadU(d, table.quantity(q) + at + e));
    };
    r.area2 = quantity(0);
    r.a_a = quantity(1);
    r.a_b = quantity(2);
    r.b_b = quantity(3);
    for (int c = 0; c < 3; ++c) {
        r.edge_a[c] = quantity(4 + c);
        r.edge_b[c] = quantity(7 + c);
    }
    for (int i = 0; i < 9; ++i) u[i / 3][i % 3] = real_lanes(hn::Load(d, stage.u[i] + e));
}

// Runs body(at, filled, r, u) for the elements begin..end-1 of io's table, a vector of lanes at
// a time: at is the vector's first element, filled the number of its lanes that hold elements
// before end, r and u their geometry and corner displacements in lanes.
template <class Body>
void for_each_vector(const block_io& io, std::size_t begin, std::size_t end, const double* xs,
                     const double* prescribed, Body&& body) {
    const std::size_t width = hn::Lanes(lane_tag());
    corner_stage stage;
    for (std::size_t run = begin; run < end; run += stage_elements) {
        const std::size_t count = std::min(stage_elements, end - run);
        stage_corners(*io.table, run, (count + width - 1) / width * width, xs, prescribed, stage);
        for (std::size_t e = 0; e < count; e += width) {
            element_lanes r;
            real_lanes u[3][3];
            load_lanes(*io.table, run, e, stage, r, u);
            body(run + e, std::min(width, count - e), r, u);
        }
    }
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
