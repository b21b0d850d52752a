// The follower pressures as a term of the energy: -p V of every pressurised triangle (V the
// signed volume its current corners span with the origin), its gradient on the free components,
// its load stiffness on each pressurised element for Newton, the follower forces in the
// out-of-balance forces, and the summed V as the .vtu's field "volume". Pressurised elements are
// taken in ascending order, on one thread, so that every sum is the same for any number of
// threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "sheet/energy/pressed_triangles.hpp"
#include "sheet/energy/term.hpp"

namespace sheet {

class follower_pressure {
public:
    // The pressurised elements of p (none: a term that is never present), with the sources of
    // their corners as n numbers them.
    follower_pressure(const problem& p, const numbering& n);

    bool present(const term_point& p) const { return !p.load.pressures(p.sheet).empty(); }
    void add_energy(const term_point& p, std::span<double> gs, double& energy) const;
    void add_element_hessian(const term_point& p, std::size_t at, double* packed) const;
    bool admissible(const term_point&, const term_point&) const { return true; }
    // The follower force p/3 x the current area vector at each corner, subtracted: minus the
    // gradient of -p V at every free component, and what the support takes up at a held one,
    // which the gradient need not be.
    void add_forces(const term_point& p, terms::real_matrix& forces) const;
    void add_fields(const term_point& p, std::vector<field_value>& fields) const;

    // The sum of the pressurised triangles' V at p, from 0.0: the enclosed volume when they close
    // a region (or close it with planes through the origin).
    double volume(const term_point& p) const { return triangles_.volume(p); }

private:
    pressed_triangles triangles_;            // as the problem's pressures, ascending
    std::vector<std::int32_t> pressure_at_;  // by element position: its place in the list, or -1
};

static_assert(energy_term<follower_pressure>);

}  // namespace sheet
