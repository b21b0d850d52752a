// The chambers, each over its pressed triangles: its volume, its potential and pressure, and the
// parts of its Hessian.
#include "sheet/energy/chambers.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "sheet/failure.hpp"
#include "sheet/model/enclosure.hpp"

namespace sheet {

namespace {

// The penalty of a volume control, in units of the sheet's stiffness against a change of the
// chamber's volume (its tension times its area over the square of its volume's scale): large
// enough that a few moves of the multiplier hold the volume, small enough that L-BFGS is not
// slowed by it.
constexpr double penalty_factor = 100.0;

std::string significant(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

region_supports supports_of(const problem& p) {
    region_supports out;
    for (std::int32_t i = 1; i <= p.mesh.node_count; ++i) {
        out.nodes.push_back({p.mesh.node_x(i), p.mesh.node_y(i), p.mesh.node_z(i)});
        std::array<std::optional<double>, 3> held;
        for (std::int32_t j = 1; j <= 3; ++j)
            if (p.supports.held(i, j))
                held[static_cast<std::size_t>(j - 1)] = p.supports.prescribed(i, j);
        out.held.push_back(held);
    }
    return out;
}

// Refuses a chamber that encloses no volume: one whose open edges the supports do not close.
void require_enclosure(const problem& p, const chamber& c, const region_supports& s) {
    std::vector<region_triangle> region;
    for (const std::int32_t e : c.elements) {
        const triangle& t = p.mesh.elements(e);
        region.push_back({{t.node[0] - 1, t.node[1] - 1, t.node[2] - 1}, 1.0});
    }
    const std::optional<std::int32_t> open = first_open_end(region, s);
    if (!open) return;
    const auto& x = s.nodes[static_cast<std::size_t>(*open)];
    throw failure("chamber " + std::to_string(c.number) + " does not enclose a volume: node " +
                  std::to_string(*open + 1) + " (" + significant(x[0]) + ", " + significant(x[1]) +
                  ", " + significant(x[2]) +
                  ") lies on an open edge of its triangles and is neither held in x, y and z "
                  "nor held at 0 normal to a coordinate plane through the origin that holds "
                  "its edge");
}

// Refuses a volume the chamber cannot reach, or a gas without room at the start.
void require_room(const chamber& c, double initial_volume) {
    const std::string name = "chamber " + std::to_string(c.number);
    if (c.control == chamber_control::volume && !(initial_volume + c.value > 0.0))
        throw failure(name + ": its change of volume " + significant(c.value) +
                      " takes its volume from " + significant(initial_volume) + " to " +
                      significant(initial_volume + c.value) +
                      ", which no sheet can reach (a volume must stay above 0)");
    if (c.control == chamber_control::gas && !(initial_volume + c.extra_volume > 0.0))
        throw failure(name + " holds gas but its volume at the start, " +
                      significant(initial_volume) + " with the extra volume " +
                      significant(c.extra_volume) +
                      ", is not above 0 (do its triangles face outwards?)");
}

}  // namespace

chambers::chambers(const problem& p, const numbering& n, double tension)
    : chamber_at_(p.mesh.elements.size(), -1), triangle_at_(p.mesh.elements.size(), -1) {
    const region_supports held = p.chambers.empty() ? region_supports{} : supports_of(p);
    for (const chamber& given : p.chambers) {
        require_enclosure(p, given, held);
        one c{given, pressed_triangles(p, n, given.elements)};
        c.initial_volume = c.triangles.initial_volume();
        require_room(given, c.initial_volume);
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
    for (const chamber_reading& r : readings(p)) {
        const std::string name = "chamber_" + std::to_string(r.number);
        fields.push_back({name + "_pressure", r.pressure, true});
        fields.push_back({name + "_volume", r.volume, true});
    }
}

bool chambers::constraints_held(const term_point& p, double tolerance) const {
    for (const one& c : list_) {
        if (c.given.control != chamber_control::volume) continue;
        const double target = c.initial_volume + p.load.factor * c.given.value;
        std::vector<double> slope(static_cast<std::size_t>(p.plan.free_count()), 0.0);
        c.triangles.add_volume_gradient(p, slope);
        double largest = 0.0;
        for (const double s : slope) largest = std::max(largest, std::fabs(s));
        if (!(c.penalty * std::fabs(c.triangles.volume(p) - target) * largest <= tolerance))
            return false;
    }
    return true;
}

void chambers::update_multipliers(const term_point& p) {
    for (one& c : list_)
        if (c.given.control == chamber_control::volume)
            c.multiplier = at(c, c.triangles.volume(p), p.load.factor).pressure;
}

std::vector<chamber_reading> chambers::readings(const term_point& p) const {
    std::vector<chamber_reading> out;
    for (const one& c : list_) {
        const double v = c.triangles.volume(p);
        out.push_back({c.given.number, c.given.control, v, at(c, v, p.load.factor).pressure});
    }
    return out;
}

}  // namespace sheet
