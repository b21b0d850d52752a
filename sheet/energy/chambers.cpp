// The chambers, each over its pressed triangles: its volume, its potential and pressure, and the
// parts of its Hessian.
#include "sheet/energy/chambers.hpp"

#include <cmath>
#include <string>

namespace sheet {

namespace {

// The penalty of a volume control, in units of the sheet's stiffness against a change of the
// chamber's volume (its tension times its area over the square of its volume's scale): large
// enough that a few moves of the multiplier hold the volume, small enough that L-BFGS is not
// slowed by it.
constexpr double penalty_factor = 100.0;

// A volume held to this part of the chamber's volume's scale.
constexpr double volume_tolerance = 1e-10;

}  // namespace

chambers::chambers(const problem& p, const numbering& n, double tension)
    : chamber_at_(p.mesh.elements.size(), -1), triangle_at_(p.mesh.elements.size(), -1) {
    for (const chamber& given : p.chambers) {
        one c{given, pressed_triangles(p, n, given.elements)};
        c.initial_volume = c.triangles.initial_volume();
        const double area = c.triangles.initial_area();
        const double of_area = 0.1 * area * std::sqrt(area);
        c.scale = std::fabs(c.initial_volume) > of_area ? std::fabs(c.initial_volume) : of_area;
        c.penalty = penalty_factor * tension * area / (c.scale * c.scale);
        for (std::size_t i = 0; i < c.triangles.size(); ++i) {
            const auto at =
                static_cast<std::size_t>(c.triangles.element(i) - p.mesh.elements.first());
            chamber_at_[at] = static_cast<std::int32_t>(list_.size());
            triangle_at_[at] = static_cast<std::int32_t>(i);
        }
        list_.push_back(std::move(c));
    }
}

chambers::potential chambers::at(const one& c, double v, double f) const {
    switch (c.given.control) {
        case chamber_control::pressure: {
            const double pi = f * c.given.value;
            return {-(pi * v), pi, 0.0};
        }
        case chamber_control::volume: {
            const double d = v - (c.initial_volume + f * c.given.value);
            return {-(c.multiplier * d) + 0.5 * c.penalty * (d * d), c.multiplier - c.penalty * d,
                    c.penalty};
        }
        case chamber_control::gas: {
            const double n = c.given.exponent;
            const double amount =
                f * c.given.value * std::pow(c.given.reference_volume + c.given.extra_volume, n);
            const double w = v + c.given.extra_volume;
            const double pi = amount * std::pow(w, -n);
            const double energy =
                n == 1.0 ? -(amount * std::log(w)) : -(amount * std::pow(w, 1.0 - n) / (1.0 - n));
            return {energy, pi, n * pi / w};
        }
    }
    return {0.0, 0.0, 0.0};
}

void chambers::add_energy(const term_point& p, std::span<double> gs, double& energy) const {
    for (const one& c : list_) {
        const potential at_v = at(c, c.triangles.volume(p), p.load.factor);
        c.triangles.add_gradient(
            p, [&](std::size_t) { return at_v.pressure; }, gs);
        energy = energy + at_v.energy;
    }
}

chambers::hessian_state chambers::hessian(const term_point& p) const {
    hessian_state h;
    for (const one& c : list_) {
        const potential at_v = at(c, c.triangles.volume(p), p.load.factor);
        h.pressure.push_back(at_v.pressure);
        h.stiffness.push_back(at_v.stiffness);
    }
    return h;
}

void chambers::add_element_hessian(const term_point& p, const hessian_state& h, std::size_t at,
                                   double* packed) const {
    const std::int32_t c = chamber_at_[at];
    if (c < 0) return;
    const double pi = h.pressure[static_cast<std::size_t>(c)];
    if (pi == 0.0) return;
    list_[static_cast<std::size_t>(c)].triangles.add_hessian(
        p, static_cast<std::size_t>(triangle_at_[at]), pi, packed);
}

void chambers::add_low_rank(const term_point& p, const hessian_state& h,
                            std::vector<low_rank_part>& parts) const {
    for (std::size_t c = 0; c < list_.size(); ++c) {
        if (!(h.stiffness[c] > 0.0)) continue;
        low_rank_part part{h.stiffness[c],
                           std::vector<double>(static_cast<std::size_t>(p.plan.free_count()), 0.0)};
        list_[c].triangles.add_volume_gradient(p, part.vector);
        parts.push_back(std::move(part));
    }
}

bool chambers::admissible(const term_point&, const term_point& q) const {
    for (const one& c : list_)
        if (c.given.control == chamber_control::gas &&
            !(c.triangles.volume(q) + c.given.extra_volume > 0.0))
            return false;
    return true;
}

void chambers::add_forces(const term_point& p, terms::real_matrix& forces) const {
    for (const one& c : list_) {
        const potential at_v = at(c, c.triangles.volume(p), p.load.factor);
        c.triangles.add_forces(
            p, [&](std::size_t) { return at_v.pressure; }, forces);
    }
}

void chambers::add_fields(const term_point& p, std::vector<field_value>& fields) const {
    for (const reading& r : readings(p)) {
        const std::string name = "chamber_" + std::to_string(r.number);
        fields.push_back({name + "_pressure", r.pressure});
        fields.push_back({name + "_volume", r.volume});
    }
}

bool chambers::constraints_held(const term_point& p) const {
    for (const one& c : list_) {
        if (c.given.control != chamber_control::volume) continue;
        const double target = c.initial_volume + p.load.factor * c.given.value;
        if (!(std::fabs(c.triangles.volume(p) - target) <= volume_tolerance * c.scale))
            return false;
    }
    return true;
}

void chambers::update_multipliers(const term_point& p) {
    for (one& c : list_)
        if (c.given.control == chamber_control::volume)
            c.multiplier = at(c, c.triangles.volume(p), p.load.factor).pressure;
}

std::vector<chambers::reading> chambers::readings(const term_point& p) const {
    std::vector<reading> out;
    for (const one& c : list_) {
        const double v = c.triangles.volume(p);
        out.push_back({c.given.number, at(c, v, p.load.factor).pressure, v});
    }
    return out;
}

}  // namespace sheet
