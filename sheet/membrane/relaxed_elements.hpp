// A relaxed law's elements after the vector lanes have evaluated them as its plain law's
// (kernels-inl.hpp): a taut element's relaxed result is the plain law's element, which the lanes
// give to the bit; every other one is evaluated again alone, since whether it is wrinkled or
// slack, and the scalar solves of its natural width, are its own.
#pragma once

#include <hwy/base.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "sheet/assembly/block_io.hpp"
#include "sheet/membrane/kinematics.hpp"

namespace sheet {

// The elements at + l (l < filled) of the block from begin under the relaxed law, whose planes
// have trace C = tr[l] and det C = det[l] and whose plain law's results are already put as io
// says: each element that the relaxation does not find taut at once, evaluated by the relaxed
// element, its energy, forces and (with internal unknowns, for io's own elements) own slope put
// over the lanes'. Out of line: the scalar elements keep the baseline instruction set.
template <class K, class Law>
HWY_NOINLINE void relax_after_lanes(const Law& law, const model_of<K>& m,
                                    std::span<const double> xs, const double* prescribed,
                                    std::size_t begin, const block_io& io, double* slopes,
                                    std::size_t at, std::size_t filled, const double* tr,
                                    const double* det) {
    const double t0 = m.problem.thickness;
    const std::int32_t first = m.problem.mesh.elements.first();
    for (std::size_t l = 0; l < filled; ++l) {
        const std::size_t here = at + l;
        const std::int32_t e = first + static_cast<std::int32_t>(here);
        double internal[1] = {0.0};
        if constexpr (K::internal_unknowns > 0)
            internal[0] = xs[static_cast<std::size_t>(m.numbering.free_count + e - 1)];
        if (taut_at_once_of<K>(law, tr[l], det[l], internal)) continue;
        double u[3][3];
        for (int i = 0; i < 9; ++i)
            u[i / 3][i % 3] = corner_value(io.table->source(i)[here], xs.data(), prescribed);
        element_forces f;
        const auto result = element_of<K>(law, t0, m.geometry(e), u, internal, f);
        double* forces = io.forces + 9 * (here - begin);
        for (int i = 0; i < 9; ++i) forces[i] = f.row[i / 3][i % 3];
        io.energy[here - begin] = result.strain_energy;
        if constexpr (K::internal_unknowns > 0)
            if (here >= io.own_begin && here < io.own_end) slopes[here] = K::internal_slope(result);
    }
}

}  // namespace sheet
