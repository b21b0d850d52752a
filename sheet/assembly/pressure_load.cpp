// The pressurised triangles one after another: their current corners from the initial
// coordinates and the displacements, then -p V and its gradient.
#include "sheet/assembly/pressure_load.hpp"

#include "sheet/assembly/block_io.hpp"
#include "sheet/failure.hpp"
#include "sheet/mechanics/pressure.hpp"

namespace sheet {

namespace {

// Current corner positions of element e, displacement(i, j) giving each component's.
template <class Displacement>
void current_corners(const model& m, std::int32_t e, Displacement&& displacement,
                     double (&x)[3][3]) {
    const mesh& mesh = m.problem.mesh;
    const triangle& corners = mesh.elements(e);
    for (int l = 0; l < 3; ++l) {
        const std::int32_t i = corners.node[l];
        const double initial[3] = {mesh.node_x(i), mesh.node_y(i), mesh.node_z(i)};
        for (int j = 0; j < 3; ++j) x[l][j] = initial[j] + displacement(i, j + 1);
    }
}

}  // namespace

pressure_table pressure_table_of(const model& m) {
    const mesh& mesh = m.problem.mesh;
    const numbering& n = m.numbering;
    pressure_table table;
    for (const pressure& p : m.problem.pressures) {
        const triangle& corners = mesh.elements(p.element);
        for (int l = 0; l < 3; ++l) {
            const std::int32_t i = corners.node[l];
            for (int j = 0; j < 3; ++j) {
                const std::int32_t k = n.dof_map(i, j + 1);
                const std::int32_t c = 3 * (i - 1) + j;
                table.sources.push_back(k <= n.free_count ? k - 1 : ~c);
            }
            table.corners.insert(table.corners.end(),
                                 {mesh.node_x(i), mesh.node_y(i), mesh.node_z(i)});
        }
    }
    return table;
}

double add_pressure_work(const model& m, const pressure_table& table, std::span<const double> xs,
                         std::span<double> gs) {
    const std::vector<pressure>& pressures = applied_pressures(m);
    if (table.sources.size() != 9 * pressures.size())
        throw failure("the assembly plan was made for other pressures than the model's");
    const double* prescribed = applied_prescribed(m).all().data();
    double work = 0.0;
    for (std::size_t at = 0; at < pressures.size(); ++at) {
        const std::int32_t* source = table.sources.data() + 9 * at;
        const double* initial = table.corners.data() + 9 * at;
        double x[3][3], gradient[3][3];
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j)
                x[l][j] =
                    initial[3 * l + j] + corner_value(source[3 * l + j], xs.data(), prescribed);
        work = work + pressure_potential(pressures[at].value, x, gradient);
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j) {
                const std::int32_t k = source[3 * l + j];
                if (k < 0) continue;  // prescribed
                double& entry = gs[static_cast<std::size_t>(k)];
                entry = entry + gradient[l][j];
            }
    }
    return work;
}

void add_pressure_forces(const model& m, terms::real_matrix& forces) {
    const auto displacement = [&m](std::int32_t i, std::int32_t j) {
        return sheet::displacement(m, i, j);
    };
    for (const pressure& p : applied_pressures(m)) {
        double x[3][3], follower[3][3];
        current_corners(m, p.element, displacement, x);
        follower_forces(p.value, x, follower);
        const triangle& corners = m.problem.mesh.elements(p.element);
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j) {
                double& entry = forces(corners.node[l], j + 1);
                entry = entry - follower[l][j];
            }
    }
}

double pressurised_volume(const model& m) {
    const auto displacement = [&m](std::int32_t i, std::int32_t j) {
        return sheet::displacement(m, i, j);
    };
    double volume = 0.0;
    for (const pressure& p : m.problem.pressures) {
        double x[3][3];
        current_corners(m, p.element, displacement, x);
        volume = volume + pyramid_volume(x);
    }
    return volume;
}

}  // namespace sheet
