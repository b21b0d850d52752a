// The chambers as a term of the energy: sets of pressurised triangles that enclose a volume and
// share one pressure, each controlled by its pressure, its volume or a fixed amount of gas.
//   pressure p:  -p V, a follower pressure on every triangle;
//   volume:      the volume V held at V0 + dV (V0 the start's): an augmented Lagrangian
//                -lambda (V - Vt) + mu (V - Vt)^2 / 2, whose pressure lambda - mu (V - Vt) the
//                run moves towards the one that holds the volume (update_multipliers);
//   gas:         p (V + Ve)^n = C, C = p_ref (V_ref + Ve)^n: the gas's own energy,
//                -C ln(V + Ve) for n = 1, -C (V + Ve)^(1 - n) / (1 - n) otherwise.
// In load steps the pressure, the change of volume and the amount of gas C go with the load
// factor. Each chamber's energy is Phi(V), its gradient -pi grad V (pi = -Phi'(V), its pressure);
// its Hessian -pi grad^2 V on each triangle, and Phi''(V) grad V grad V', which couples all its
// nodes, as a part of rank one kept apart from the sparse matrix. Chambers in order, triangles
// ascending, on one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "sheet/energy/pressed_triangles.hpp"
#include "sheet/energy/term.hpp"

namespace sheet {

class chambers {
public:
    // The chambers of p, their triangles' corners as n numbers them, their volumes at the start,
    // and the penalty of the volume-controlled ones from tension (the sheet's stiffness scale,
    // the small-strain shear modulus times the thickness).
    chambers(const problem& p, const numbering& n, double tension);

    bool present(const term_point&) const { return !list_.empty(); }
    void add_energy(const term_point& p, std::span<double> gs, double& energy) const;

    // What the chambers' Hessian needs at a point: each one's pressure pi and Phi''(V).
    struct hessian_state {
        std::vector<double> pressure, stiffness;
    };
    hessian_state hessian(const term_point& p) const;
    void add_element_hessian(const term_point& p, const hessian_state& h, std::size_t at,
                             double* packed) const;
    // Phi''(V) grad V grad V' of each chamber with a stiffness, grad V over the free components.
    void add_low_rank(const term_point& p, const hessian_state& h,
                      std::vector<low_rank_part>& parts) const;

    // A gas's volume (with its extra volume) stays above 0.
    bool admissible(const term_point& p, const term_point& q) const;
    void add_forces(const term_point& p, terms::real_matrix& forces) const;
    // chamber_K_pressure and chamber_K_volume of every chamber K, in order.
    void add_fields(const term_point& p, std::vector<field_value>& fields) const;

    // The run's augmented Lagrangian for the volume-controlled chambers: whether each holds its
    // volume at p: the force its error would make, mu |V - Vt| times the largest entry of
    // grad V, at most tolerance (the stopping test's; a smaller error moves nothing that the
    // minimiser would see); and the multipliers moved to the pressures at p,
    // lambda := lambda - mu (V - Vt).
    bool constraints_held(const term_point& p, double tolerance) const;
    void update_multipliers(const term_point& p);

    // Each chamber's volume and pressure at p, in order.
    std::vector<chamber_reading> readings(const term_point& p) const;

private:
    struct one {
        chamber given;
        pressed_triangles triangles;
        double initial_volume = 0.0;  // V0, at the start
        double scale = 0.0;           // of its volume: |V0|, or a tenth of its area^(3/2)
        double penalty = 0.0;         // mu, of a volume control
        double multiplier = 0.0;      // lambda, of a volume control: its pressure estimate
    };
    // Phi, pi = -Phi' and Phi'' of chamber c at volume v under the load factor f.
    struct potential {
        double energy, pressure, stiffness;
    };
    potential at(const one& c, double v, double f) const;

    std::vector<one> list_;
    // by element position: the chamber it belongs to and its place among that one's triangles
    std::vector<std::int32_t> chamber_at_, triangle_at_;
};

static_assert(energy_term<chambers>);

}  // namespace sheet
