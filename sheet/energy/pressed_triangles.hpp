// Triangles that a pressure presses, in ascending element order: where each finds its current
// corners, and the pressure's work, gradient, load stiffness and forces over them, each sum in
// that order on one thread. A follower pressure's and a chamber's triangles alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "sheet/energy/term.hpp"
#include "sheet/mechanics/pressure.hpp"

namespace sheet {

class pressed_triangles {
public:
    // The elements (ascending) of p, with the sources of their corners as n numbers them.
    pressed_triangles(const problem& p, const numbering& n, std::span<const std::int32_t> elements);

    std::size_t size() const { return elements_.size(); }
    std::int32_t element(std::size_t i) const { return elements_[i]; }

    // The current corners of triangle i at p.
    void corners(const term_point& p, std::size_t i, double (&x)[3][3]) const;

    // The sum of the triangles' V = x1 . (x2 x x3) / 6 at p, from 0.0: the volume they enclose
    // when they close a region (or close it with planes through the origin).
    double volume(const term_point& p) const;

    // The same sum at the initial coordinates, and the triangles' initial area, each from 0.0.
    double initial_volume() const;
    double initial_area() const;

    // Adds into gs, triangle after triangle, the gradient of -pressure(i) V_i on the free
    // components; returns the sum of the -pressure(i) V_i, from 0.0.
    template <class Pressure>
    double add_gradient(const term_point& p, Pressure&& pressure, std::span<double> gs) const;

    // Adds the Hessian of -pressure V_i (its load stiffness) into packed over triangle i's nine
    // corner components.
    void add_hessian(const term_point& p, std::size_t i, double pressure, double* packed) const;

    // Subtracts from forces (by node and direction) the follower force pressure(i)/3 x the
    // current area vector at each corner of every triangle: minus the gradient at every free
    // component, and what the support takes up at a held one.
    template <class Pressure>
    void add_forces(const term_point& p, Pressure&& pressure, terms::real_matrix& forces) const;

    // Adds the gradient of the volume, dV/dx on the free components, into g, triangle after
    // triangle.
    void add_volume_gradient(const term_point& p, std::span<double> g) const;

private:
    void add_by_component(std::size_t i, const double (&v)[3][3], std::span<double> gs) const;

    std::vector<std::int32_t> elements_;
    // Per triangle: its nine corner sources, 3 l + j for corner l and direction j as in
    // element_columns (the 0-based unknown, or ~c for a prescribed component c), its corners'
    // initial coordinates, X Y Z of N1, N2, N3, and its corner nodes.
    std::vector<std::int32_t> sources_;
    std::vector<double> initial_;
    std::vector<std::int32_t> nodes_;
};

template <class Pressure>
double pressed_triangles::add_gradient(const term_point& p, Pressure&& pressure,
                                       std::span<double> gs) const {
    double work = 0.0;
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        double x[3][3], gradient[3][3];
        corners(p, i, x);
        work = work + pressure_potential(pressure(i), x, gradient);
        add_by_component(i, gradient, gs);
    }
    return work;
}

template <class Pressure>
void pressed_triangles::add_forces(const term_point& p, Pressure&& pressure,
                                   terms::real_matrix& forces) const {
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        double x[3][3], follower[3][3];
        corners(p, i, x);
        follower_forces(pressure(i), x, follower);
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j) {
                double& entry = forces(nodes_[3 * i + static_cast<std::size_t>(l)], j + 1);
                entry = entry - follower[l][j];
            }
    }
}

}  // namespace sheet
