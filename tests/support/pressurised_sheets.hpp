// The sheet under pressure of the tests: an octant of the unit sphere with its three symmetry
// planes held, written as input.txt with a follower pressure section, or with the pressure
// lumped to dead nodal loads on triangles at given positions.
#pragma once

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "dorvan/model_text.hpp"

namespace pressurised_sheets {

using point = std::array<double, 3>;

// The octant x, y, z >= 0 of the unit sphere for melvar (neo-Hookean, shear 1) of thickness t0:
// the flat triangle (1,0,0) (0,1,0) (0,0,1) cut into n^2 triangles facing out and pushed out
// onto the sphere; each node in a coordinate plane holds the component normal to it at 0.
inline dorvan_tests::problem octant(int n, double t0) {
    dorvan_tests::problem p;
    p.settings.tolerance_factor = 1.0E-11;
    p.thickness = t0;
    p.material = {1, {1.0}};
    std::vector<std::vector<int>> node(n + 1, std::vector<int>(n + 1));
    for (int i = 0; i <= n; ++i)
        for (int j = 0; i + j <= n; ++j) {
            const point v = {double(n - i - j), double(i), double(j)};
            const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
            node[i][j] = int(p.nodes.size()) + 1;
            p.nodes.push_back({node[i][j], v[0] / length, v[1] / length, v[2] / length});
            for (int c = 0; c < 3; ++c)
                if (v[c] == 0.0) p.prescribed.push_back({node[i][j], c + 1, 0.0});
        }
    for (int i = 0; i < n; ++i)
        for (int j = 0; i + j < n; ++j) {
            const int e = int(p.elements.size()) + 1;
            p.elements.push_back({e, node[i][j], node[i + 1][j], node[i][j + 1]});
            if (i + j + 1 < n)
                p.elements.push_back({e + 1, node[i + 1][j], node[i + 1][j + 1], node[i][j + 1]});
        }
    return p;
}

// The dead nodal loads of pressure on p's triangles at the node positions x (by node - 1): a
// third of pressure times each triangle's area vector to each of its corners.
inline std::vector<dorvan_tests::component_line> lumped(const dorvan_tests::problem& p,
                                                        const std::vector<point>& x,
                                                        double pressure) {
    std::vector<point> forces(x.size(), {0.0, 0.0, 0.0});
    for (const auto& e : p.elements) {
        const point &a = x[e.n1 - 1], &b = x[e.n2 - 1], &c = x[e.n3 - 1];
        const point u = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const point v = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const point n = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                         u[0] * v[1] - u[1] * v[0]};
        for (const int corner : {e.n1, e.n2, e.n3})
            for (int j = 0; j < 3; ++j) forces[corner - 1][j] += pressure * n[j] / 6.0;
    }
    std::vector<dorvan_tests::component_line> loads;
    for (std::size_t i = 0; i < forces.size(); ++i)
        for (int j = 0; j < 3; ++j)
            if (forces[i][j] != 0.0) loads.push_back({int(i) + 1, j + 1, forces[i][j]});
    return loads;
}

// input.txt of p with the follower pressure on every triangle.
inline std::string with_pressure(const dorvan_tests::problem& p, double pressure) {
    std::string text = dorvan_tests::input_text(p) + ": pressures\n" +
                       std::to_string(p.elements.size()) + "\n  element pressure\n";
    for (const auto& e : p.elements)
        text += std::to_string(e.number) + " " + dorvan_tests::exact(pressure) + "\n";
    return text;
}

// input.txt of p with one chamber of every triangle, its control as the chambers section writes
// it ("volume 0.3", "gas 0.02 0.4 1.4 0.1", ...).
inline std::string with_chamber(const dorvan_tests::problem& p, const std::string& control) {
    std::string text = dorvan_tests::input_text(p) + ": chambers\n1\n  chamber control\n1 " +
                       control + " " + std::to_string(p.elements.size()) + "\n";
    for (const auto& e : p.elements) text += std::to_string(e.number) + "\n";
    return text;
}

}  // namespace pressurised_sheets
