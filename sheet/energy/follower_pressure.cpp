// The pressurised triangles one after another: their current corners from the initial
// coordinates and the displacements, then -p V, its gradient, its Hessian or its forces.
#include "sheet/energy/follower_pressure.hpp"

#include "sheet/assembly/block_io.hpp"
#include "sheet/failure.hpp"
#include "sheet/mechanics/packed.hpp"
#include "sheet/mechanics/pressure.hpp"

namespace sheet {

follower_pressure::follower_pressure(const problem& p, const numbering& n) {
    const mesh& mesh = p.mesh;
    pressure_at_.assign(mesh.elements.size(), -1);
    for (const pressure& q : p.pressures) {
        const triangle& corners = mesh.elements(q.element);
        pressure_at_[static_cast<std::size_t>(q.element - mesh.elements.first())] =
            static_cast<std::int32_t>(elements_.size());
        elements_.push_back(q.element);
        for (int l = 0; l < 3; ++l) {
            const std::int32_t i = corners.node[l];
            nodes_.push_back(i);
            for (int j = 0; j < 3; ++j) {
                const std::int32_t k = n.dof_map(i, j + 1);
                const std::int32_t c = 3 * (i - 1) + j;
                sources_.push_back(k <= n.free_count ? k - 1 : ~c);
            }
            initial_.insert(initial_.end(), {mesh.node_x(i), mesh.node_y(i), mesh.node_z(i)});
        }
    }
}

void follower_pressure::corners(const term_point& p, std::size_t i, double (&x)[3][3]) const {
    const std::int32_t* source = sources_.data() + 9 * i;
    const double* initial = initial_.data() + 9 * i;
    const double* prescribed = p.prescribed();
    for (int l = 0; l < 3; ++l)
        for (int j = 0; j < 3; ++j)
            x[l][j] = initial[3 * l + j] + corner_value(source[3 * l + j], p.xs.data(), prescribed);
}

void follower_pressure::add_energy(const term_point& p, std::span<double> gs,
                                   double& energy) const {
    const std::vector<pressure>& pressures = p.load.pressures(p.sheet);
    if (pressures.empty()) return;
    if (pressures.size() != elements_.size())
        throw failure("the follower pressures were set up for other pressures than the load's");
    double work = 0.0;
    for (std::size_t i = 0; i < pressures.size(); ++i) {
        double x[3][3], gradient[3][3];
        corners(p, i, x);
        work = work + pressure_potential(pressures[i].value, x, gradient);
        const std::int32_t* source = sources_.data() + 9 * i;
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j) {
                const std::int32_t k = source[3 * l + j];
                if (k < 0) continue;  // prescribed
                double& entry = gs[static_cast<std::size_t>(k)];
                entry = entry + gradient[l][j];
            }
    }
    energy = energy + work;
}

void follower_pressure::add_element_hessian(const term_point& p, std::size_t at,
                                            double* packed) const {
    const std::vector<pressure>& pressures = p.load.pressures(p.sheet);
    if (pressures.empty() || pressure_at_[at] < 0) return;
    const auto i = static_cast<std::size_t>(pressure_at_[at]);
    const double value = pressures[i].value;
    if (value == 0.0) return;
    double x[3][3], hessian[9][9];
    corners(p, i, x);
    pressure_hessian(value, x, hessian);
    for (int b = 0; b < 9; ++b)
        for (int a = 0; a <= b; ++a)
            packed[packed_position(a, b)] = packed[packed_position(a, b)] + hessian[a][b];
}

void follower_pressure::add_forces(const term_point& p, terms::real_matrix& forces) const {
    const std::vector<pressure>& pressures = p.load.pressures(p.sheet);
    for (std::size_t i = 0; i < pressures.size(); ++i) {
        double x[3][3], follower[3][3];
        corners(p, i, x);
        follower_forces(pressures[i].value, x, follower);
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j) {
                double& entry = forces(nodes_[3 * i + static_cast<std::size_t>(l)], j + 1);
                entry = entry - follower[l][j];
            }
    }
}

double follower_pressure::volume(const term_point& p) const {
    double volume = 0.0;
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        double x[3][3];
        corners(p, i, x);
        volume = volume + pyramid_volume(x);
    }
    return volume;
}

void follower_pressure::add_fields(const term_point& p, std::vector<field_value>& fields) const {
    if (!elements_.empty()) fields.push_back({"volume", volume(p)});
}

}  // namespace sheet
