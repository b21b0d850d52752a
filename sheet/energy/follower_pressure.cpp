// The follower pressures over their pressed triangles.
#include "sheet/energy/follower_pressure.hpp"

#include "sheet/failure.hpp"

namespace sheet {

namespace {

std::vector<std::int32_t> elements_of(const problem& p) {
    std::vector<std::int32_t> out;
    for (const pressure& q : p.pressures) out.push_back(q.element);
    return out;
}

}  // namespace

follower_pressure::follower_pressure(const problem& p, const numbering& n)
    : triangles_(p, n, elements_of(p)), pressure_at_(p.mesh.elements.size(), -1) {
    for (std::size_t i = 0; i < triangles_.size(); ++i)
        pressure_at_[static_cast<std::size_t>(triangles_.element(i) - p.mesh.elements.first())] =
            static_cast<std::int32_t>(i);
}

void follower_pressure::add_energy(const term_point& p, std::span<double> gs,
                                   double& energy) const {
    const std::vector<pressure>& pressures = p.load.pressures(p.sheet);
    if (pressures.empty()) return;
    if (pressures.size() != triangles_.size())
        throw failure("the follower pressures were set up for other pressures than the load's");
    const double work = triangles_.add_gradient(
        p, [&](std::size_t i) { return pressures[i].value; }, gs);
    energy = energy + work;
}

void follower_pressure::add_element_hessian(const term_point& p, std::size_t at,
                                            double* packed) const {
    const std::vector<pressure>& pressures = p.load.pressures(p.sheet);
    if (pressures.empty() || pressure_at_[at] < 0) return;
    const auto i = static_cast<std::size_t>(pressure_at_[at]);
    const double value = pressures[i].value;
    if (value == 0.0) return;
    triangles_.add_hessian(p, i, value, packed);
}

void follower_pressure::add_forces(const term_point& p, terms::real_matrix& forces) const {
    const std::vector<pressure>& pressures = p.load.pressures(p.sheet);
    triangles_.add_forces(
        p, [&](std::size_t i) { return pressures[i].value; }, forces);
}

void follower_pressure::add_fields(const term_point& p, std::vector<field_value>& fields) const {
    if (triangles_.size() > 0) fields.push_back({"volume", volume(p)});
}

}  // namespace sheet
