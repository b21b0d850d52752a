// The pressed triangles' tables, their current corners and the pressure's parts that are not
// templates.
#include "sheet/energy/pressed_triangles.hpp"

#include <cmath>

#include "sheet/assembly/block_io.hpp"
#include "sheet/mechanics/packed.hpp"
#include "sheet/mechanics/pressure.hpp"

namespace sheet {

pressed_triangles::pressed_triangles(const problem& p, const numbering& n,
                                     std::span<const std::int32_t> elements)
    : elements_(elements.begin(), elements.end()) {
    const mesh& mesh = p.mesh;
    for (const std::int32_t e : elements_) {
        const triangle& corners = mesh.elements(e);
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

void pressed_triangles::corners(const term_point& p, std::size_t i, double (&x)[3][3]) const {
    const std::int32_t* source = sources_.data() + 9 * i;
    const double* initial = initial_.data() + 9 * i;
    const double* prescribed = p.prescribed();
    for (int l = 0; l < 3; ++l)
        for (int j = 0; j < 3; ++j)
            x[l][j] = initial[3 * l + j] + corner_value(source[3 * l + j], p.xs.data(), prescribed);
}

double pressed_triangles::volume(const term_point& p) const {
    double volume = 0.0;
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        double x[3][3];
        corners(p, i, x);
        volume = volume + pyramid_volume(x);
    }
    return volume;
}

double pressed_triangles::initial_volume() const {
    double volume = 0.0;
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        const double* initial = initial_.data() + 9 * i;
        const double x[3][3] = {{initial[0], initial[1], initial[2]},
                                {initial[3], initial[4], initial[5]},
                                {initial[6], initial[7], initial[8]}};
        volume = volume + pyramid_volume(x);
    }
    return volume;
}

double pressed_triangles::initial_area() const {
    double area = 0.0;
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        const double* x = initial_.data() + 9 * i;
        const double a[3] = {x[3] - x[0], x[4] - x[1], x[5] - x[2]};
        const double b[3] = {x[6] - x[0], x[7] - x[1], x[8] - x[2]};
        double n[3];
        cross(a, b, n);
        area = area + 0.5 * std::sqrt(dot(n, n));
    }
    return area;
}

void pressed_triangles::add_by_component(std::size_t i, const double (&v)[3][3],
                                         std::span<double> gs) const {
    const std::int32_t* source = sources_.data() + 9 * i;
    for (int l = 0; l < 3; ++l)
        for (int j = 0; j < 3; ++j) {
            const std::int32_t k = source[3 * l + j];
            if (k < 0) continue;  // prescribed
            double& entry = gs[static_cast<std::size_t>(k)];
            entry = entry + v[l][j];
        }
}

void pressed_triangles::add_hessian(const term_point& p, std::size_t i, double pressure,
                                    double* packed) const {
    double x[3][3], hessian[9][9];
    corners(p, i, x);
    pressure_hessian(pressure, x, hessian);
    for (int b = 0; b < 9; ++b)
        for (int a = 0; a <= b; ++a)
            packed[packed_position(a, b)] = packed[packed_position(a, b)] + hessian[a][b];
}

void pressed_triangles::add_volume_gradient(const term_point& p, std::span<double> g) const {
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        double x[3][3], slope[3][3];
        corners(p, i, x);
        // dV/dx[l] = x[l+1] x x[l+2] / 6, the corners taken cyclically
        for (int l = 0; l < 3; ++l) {
            double across[3];
            cross(x[(l + 1) % 3], x[(l + 2) % 3], across);
            for (int j = 0; j < 3; ++j) slope[l][j] = across[j] / 6.0;
        }
        add_by_component(i, slope, g);
    }
}

}  // namespace sheet
