// Sheets under pressure for the tests, written as input.txt: an octant of the unit sphere with
// its three symmetry planes held, and a flat disc of radius 1 held at its rim; the pressure as
// the follower section, or lumped as dead nodal loads on the initial triangles.
#pragma once

#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace pressurised_sheets {

using point = std::array<double, 3>;

struct sheet_mesh {
    std::vector<point> nodes;
    std::vector<std::array<int, 3>> triangles;  // 0-based corners, normals outward (or up)
    std::vector<std::array<int, 2>> held;       // 0-based node, direction 0..2: held at 0
};

// The octant x, y, z >= 0 of the unit sphere: the flat triangle (1,0,0) (0,1,0) (0,0,1) cut
// into divisions^2 triangles and pushed out onto the sphere; each node in a coordinate plane
// holds the component normal to it.
inline sheet_mesh octant(int n) {
    sheet_mesh s;
    std::vector<std::vector<int>> index(n + 1, std::vector<int>(n + 1, -1));
    for (int i = 0; i <= n; ++i)
        for (int j = 0; i + j <= n; ++j) {
            const point v = {double(n - i - j), double(i), double(j)};
            const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
            index[i][j] = int(s.nodes.size());
            s.nodes.push_back({v[0] / length, v[1] / length, v[2] / length});
            for (int c = 0; c < 3; ++c)
                if (v[c] == 0.0) s.held.push_back({index[i][j], c});
        }
    for (int i = 0; i < n; ++i)
        for (int j = 0; i + j < n; ++j) {
            s.triangles.push_back({index[i][j], index[i + 1][j], index[i][j + 1]});
            if (i + j + 1 < n)
                s.triangles.push_back({index[i + 1][j], index[i + 1][j + 1], index[i][j + 1]});
        }
    return s;
}

// A disc of radius 1 in the X-Y plane: rings at radii k / rings, ring k of 6 k nodes, joined
// ring to ring by angle; the outer ring held in X, Y and Z.
inline sheet_mesh disc(int rings) {
    sheet_mesh s;
    std::vector<std::vector<int>> ring(rings + 1);
    s.nodes.push_back({0.0, 0.0, 0.0});
    ring[0] = {0};
    for (int k = 1; k <= rings; ++k)
        for (int j = 0; j < 6 * k; ++j) {
            const double angle = 2.0 * std::numbers::pi * j / (6 * k);
            ring[k].push_back(int(s.nodes.size()));
            s.nodes.push_back(
                {double(k) / rings * std::cos(angle), double(k) / rings * std::sin(angle), 0.0});
            if (k == rings)
                for (int c = 0; c < 3; ++c) s.held.push_back({ring[k].back(), c});
        }
    for (int k = 1; k <= rings; ++k) {
        const std::vector<int>&inner = ring[k - 1], &outer = ring[k];
        const auto turn = [](std::size_t at, std::size_t count) { return double(at) / count; };
        const std::size_t inner_steps = k == 1 ? 0 : inner.size();  // the centre takes none
        std::size_t a = 0, b = 0;  // steps taken along each ring, by angle
        while (a < inner_steps || b < outer.size()) {
            const bool outer_first =
                a == inner_steps ||
                (b < outer.size() && turn(b + 1, outer.size()) <= turn(a + 1, inner.size()));
            const int i0 = inner[a % inner.size()], o0 = outer[b % outer.size()];
            if (outer_first) {
                s.triangles.push_back({i0, o0, outer[(b + 1) % outer.size()]});
                ++b;
            } else {
                s.triangles.push_back({i0, o0, inner[(a + 1) % inner.size()]});
                ++a;
            }
        }
    }
    return s;
}

// The dead nodal loads of pressure p on the triangles at the positions x: a third of p times
// each triangle's area vector (x2 - x1) x (x3 - x1) / 2 to each corner.
inline std::vector<point> lumped(const sheet_mesh& s, const std::vector<point>& x, double p) {
    std::vector<point> forces(x.size(), {0.0, 0.0, 0.0});
    for (const auto& t : s.triangles) {
        point a, b;
        for (int c = 0; c < 3; ++c) a[c] = x[t[1]][c] - x[t[0]][c], b[c] = x[t[2]][c] - x[t[0]][c];
        const point n = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                         a[0] * b[1] - a[1] * b[0]};
        for (const int corner : t)
            for (int c = 0; c < 3; ++c) forces[corner][c] += p * n[c] / 6.0;
    }
    return forces;
}

// input.txt of thickness t0 and the material line's law and constants (melvar's neo-Hookean
// of shear 1 unless given): loads as given (exactly 0 left out), then the follower pressure p
// on every triangle when p is not 0.
inline std::string problem_text(const sheet_mesh& s, double t0, const std::vector<point>& loads,
                                double p, const std::string& settings = "0.9 20 1e-9 1.0 8000 7",
                                const std::string& material = "1 1.0") {
    char line[200];
    std::string text = "pressurised sheet\n: settings\n" + settings + "\n: sheet\n";
    std::snprintf(line, sizeof line, "%.17g %s\n: nodes\n%zu\n  node x y z\n", t0, material.c_str(),
                  s.nodes.size());
    text += line;
    for (std::size_t i = 0; i < s.nodes.size(); ++i) {
        std::snprintf(line, sizeof line, "%zu %.17g %.17g %.17g\n", i + 1, s.nodes[i][0],
                      s.nodes[i][1], s.nodes[i][2]);
        text += line;
    }
    text += ": elements\n" + std::to_string(s.triangles.size()) + "\n  element N1 N2 N3\n";
    for (std::size_t e = 0; e < s.triangles.size(); ++e)
        text += std::to_string(e + 1) + " " + std::to_string(s.triangles[e][0] + 1) + " " +
                std::to_string(s.triangles[e][1] + 1) + " " +
                std::to_string(s.triangles[e][2] + 1) + "\n";
    text += ": prescribed displacements\n" + std::to_string(s.held.size()) + "\n  node dir value\n";
    for (const auto& [node, c] : s.held)
        text += std::to_string(node + 1) + " " + std::to_string(c + 1) + " 0.0\n";
    std::string load_lines;
    int count = 0;
    for (std::size_t i = 0; i < loads.size(); ++i)
        for (int c = 0; c < 3; ++c) {
            if (loads[i][c] == 0.0) continue;
            std::snprintf(line, sizeof line, "%zu %d %.17g\n", i + 1, c + 1, loads[i][c]);
            load_lines += line;
            ++count;
        }
    text += ": loads\n" + std::to_string(count) + "\n" + (count > 0 ? "  node dir force\n" : "") +
            load_lines;
    if (p != 0.0) {
        text += ": pressures\n" + std::to_string(s.triangles.size()) + "\n  element pressure\n";
        for (std::size_t e = 0; e < s.triangles.size(); ++e) {
            std::snprintf(line, sizeof line, "%zu %.17g\n", e + 1, p);
            text += line;
        }
    }
    return text;
}

}  // namespace pressurised_sheets
