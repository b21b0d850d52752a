// The parts of the mesh, the rank of each part's matrix of held rigid motions, and the free
// motions named.
#include "sheet/model/rigid_motion.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>

namespace sheet {

namespace {

using vector3 = std::array<double, 3>;

double dot(const std::vector<double>& a, const std::vector<double>& b) {
    double sum = 0.0;
    for (std::size_t k = 0; k < a.size(); ++k) sum += a[k] * b[k];
    return sum;
}

// The root of node i's part, halving the paths it walks.
std::int32_t root(std::vector<std::int32_t>& parent, std::int32_t i) {
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

// Orthonormal vectors of R^3 spanning what the given vectors span (each dropped when what is
// left of it after the ones kept is below 1e-6 of a unit vector).
std::vector<vector3> orthonormal(const std::vector<vector3>& vectors) {
    std::vector<vector3> out;
    for (vector3 v : vectors) {
        for (const vector3& u : out) {
            const double along = v[0] * u[0] + v[1] * u[1] + v[2] * u[2];
            for (int c = 0; c < 3; ++c) v[c] = v[c] - along * u[c];
        }
        const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (length <= 1.0E-6) continue;
        for (double& c : v) c = c / length;
        out.push_back(v);
    }
    return out;
}

// "X", "X and Y", "X, Y and Z" of the names.
std::string listed(const std::vector<std::string>& names) {
    std::string out;
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (k > 0) out += k + 1 == names.size() ? " and " : ", ";
        out += names[k];
    }
    return out;
}

// The subspace spanned by the orthonormal basis in words: the axes it holds by name ("X and Y"),
// the rest by directions off the axes ("(0.6, 0.8, 0)"), after axes_on ("in", "about") when
// there are axes alone, else after off_axes ("along", "about").
std::string subspace_in_words(const std::vector<vector3>& basis, const char* axes_on,
                              const char* off_axes) {
    static const char* const axis_names[3] = {"X", "Y", "Z"};
    std::vector<std::string> names;
    std::vector<vector3> rest = basis;
    for (int c = 0; c < 3; ++c) {
        double inside = 0.0;  // |projection of the axis c onto the subspace|^2
        for (const vector3& u : basis) inside += u[c] * u[c];
        if (inside < 1.0 - 1.0E-6) continue;
        names.emplace_back(axis_names[c]);
        for (vector3& v : rest) v[c] = 0.0;
    }
    const std::size_t axes = names.size();
    for (vector3 v : orthonormal(rest)) {
        // A direction's sign means nothing: its first component off 0 is shown positive.
        const auto first =
            std::find_if(v.begin(), v.end(), [](double c) { return std::fabs(c) > 1.0E-9; });
        const double sign = first != v.end() && *first < 0.0 ? -1.0 : 1.0;
        char text[80];
        double shown[3];
        for (int c = 0; c < 3; ++c) shown[c] = std::fabs(v[c]) > 1.0E-9 ? sign * v[c] : 0.0;
        std::snprintf(text, sizeof text, "(%.3g, %.3g, %.3g)", shown[0], shown[1], shown[2]);
        names.emplace_back(text);
    }
    if (names.empty()) return "";
    return std::string(names.size() == axes ? axes_on : off_axes) + " " + listed(names);
}

vector3 cross(const vector3& a, const vector3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// Of the free rotations turns (each (a, w): the velocity a + w x x at the scaled position x),
// those the part's dead loads leave free. A dead load holds a rotation as a weight holds a
// pendulum: along a rigid motion the loads' potential changes by -F . v at first order and by
// -F . (w x v) at second, and a rotation that changes neither has no position the loads
// prefer. A translation changes it at first order alone, so loads never hold one (they drive
// it, or leave it undetermined); a follower pressure turns with the sheet and holds nothing.
std::vector<std::array<double, 6>> unheld_by_loads(
    const problem& p, const std::vector<std::int32_t>& nodes, const std::vector<vector3>& scaled,
    const std::vector<std::array<double, 6>>& turns) {
    const std::size_t r = turns.size();
    if (r == 0 || r > 3) return turns;  // at most three independent rotations
    std::vector<double> first(r, 0.0);  // g_k = -sum F . v_k
    std::vector<std::vector<double>> second(r, std::vector<double>(r, 0.0));  // H_kl
    // The loads taken relative to the largest component, so that none overflows.
    double largest = 0.0;
    for (const std::int32_t i : nodes)
        for (std::int32_t j = 1; j <= 3; ++j) largest = std::max(largest, std::fabs(p.loads(i, j)));
    if (largest == 0.0 || !std::isfinite(largest)) return turns;
    double magnitude = 0.0;
    for (std::size_t n = 0; n < nodes.size(); ++n) {
        vector3 f = {p.loads(nodes[n], 1), p.loads(nodes[n], 2), p.loads(nodes[n], 3)};
        for (double& c : f) c = c / largest;
        const double size = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
        if (size == 0.0) continue;
        magnitude += size;
        std::vector<vector3> v(r);
        std::vector<vector3> w(r);
        for (std::size_t k = 0; k < r; ++k) {
            w[k] = {turns[k][3], turns[k][4], turns[k][5]};
            const vector3 turned = cross(w[k], scaled[n]);
            for (int c = 0; c < 3; ++c) v[k][c] = turns[k][c] + turned[c];
        }
        const auto along = [&f](const vector3& u) {
            return f[0] * u[0] + f[1] * u[1] + f[2] * u[2];
        };
        for (std::size_t k = 0; k < r; ++k) {
            first[k] -= along(v[k]);
            for (std::size_t l = 0; l < r; ++l)
                second[k][l] -= 0.5 * (along(cross(w[k], v[l])) + along(cross(w[l], v[k])));
        }
    }
    // The combinations y with H y = 0 and g . y = 0, to a tolerance relative to the loads.
    std::vector<std::vector<double>> columns(r, std::vector<double>(r + 1));
    for (std::size_t l = 0; l < r; ++l) {
        for (std::size_t k = 0; k < r; ++k) columns[l][k] = second[k][l];
        columns[l][r] = first[l];
    }
    const singular_values flat = singular_values_of(std::move(columns));
    std::vector<std::array<double, 6>> out;
    for (std::size_t k = 0; k < r; ++k) {
        if (flat.values[k] > 1.0E-9 * magnitude) continue;
        std::array<double, 6> motion = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
        for (std::size_t l = 0; l < r; ++l)
            for (int c = 0; c < 6; ++c) motion[c] += turns[l][c] * flat.right[k][l];
        out.push_back(motion);
    }
    return out;
}

// The free rigid motions of the part of the nodes given (ascending) whose shortest edge is
// shortest_edge, in words, and how many they are.
free_part free_motions_of(const problem& p, const std::vector<std::int32_t>& nodes,
                          double shortest_edge) {
    const mesh& sheet = p.mesh;
    // Centred on the nodes' mean and scaled by their largest distance from it, so that the
    // rotations' columns are of the translations' size wherever the sheet lies.
    vector3 centre = {0.0, 0.0, 0.0};
    for (const std::int32_t i : nodes) {
        centre[0] += sheet.node_x(i);
        centre[1] += sheet.node_y(i);
        centre[2] += sheet.node_z(i);
    }
    for (double& c : centre) c = c / static_cast<double>(nodes.size());
    std::vector<vector3> scaled;
    double size = 0.0;
    for (const std::int32_t i : nodes) {
        const vector3 x = {sheet.node_x(i) - centre[0], sheet.node_y(i) - centre[1],
                           sheet.node_z(i) - centre[2]};
        size = std::max(size, std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]));
        scaled.push_back(x);
    }
    if (size == 0.0) size = 1.0;
    for (vector3& x : scaled)
        for (double& c : x) c = c / size;
    // Row of a held component j at x: v_j(x) = a_j + (w x x)_j over (a, w).
    std::vector<std::vector<double>> columns(6);
    for (std::size_t n = 0; n < nodes.size(); ++n) {
        const vector3& x = scaled[n];
        for (std::int32_t j = 1; j <= 3; ++j) {
            if (!p.supports.held(nodes[n], j)) continue;
            const double row[3][6] = {{1.0, 0.0, 0.0, 0.0, x[2], -x[1]},
                                      {0.0, 1.0, 0.0, -x[2], 0.0, x[0]},
                                      {0.0, 0.0, 1.0, x[1], -x[0], 0.0}};
            for (int c = 0; c < 6; ++c) columns[c].push_back(row[j - 1][c]);
        }
    }
    const std::size_t rows = columns[0].size();
    // A motion that a held component resists moves it by about an edge's length over the size,
    // whereas round-off in the coordinates, taken far from the origin, moves it by their
    // precision.
    const double far =
        std::sqrt(centre[0] * centre[0] + centre[1] * centre[1] + centre[2] * centre[2]) / size;
    const double tolerance = std::max(1.0E-2 * shortest_edge / size,
                                      1024.0 * std::numeric_limits<double>::epsilon() *
                                          std::sqrt(static_cast<double>(rows) + 1.0) * (1.0 + far));
    std::vector<std::vector<double>> free;
    if (rows == 0) {
        for (int c = 0; c < 6; ++c) {
            std::vector<double> unit(6, 0.0);
            unit[c] = 1.0;
            free.push_back(unit);
        }
    } else {
        const singular_values held = singular_values_of(std::move(columns));
        for (std::size_t k = 0; k < 6; ++k)
            if (held.values[k] <= tolerance) free.push_back(held.right[k]);
    }
    free_part out{nodes.front(), 0, ""};
    if (free.empty()) return out;

    // The free motions' rotations span the axes of rotation; the combinations of them without
    // rotation are the free translations.
    std::vector<std::vector<double>> rotations(free.size(), std::vector<double>(3));
    for (std::size_t k = 0; k < free.size(); ++k)
        for (int c = 0; c < 3; ++c) rotations[k][c] = free[k][3 + c];
    const singular_values turning = singular_values_of(rotations);
    std::vector<std::array<double, 6>> turns;  // (a, w) of each free rotation
    std::vector<vector3> shifts;
    for (std::size_t k = 0; k < free.size(); ++k) {
        const std::vector<double>& y = turning.right[k];
        std::array<double, 6> motion = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
        for (std::size_t l = 0; l < free.size(); ++l)
            for (int c = 0; c < 6; ++c) motion[c] += free[l][c] * y[l];
        if (turning.values[k] > 1.0E-4)
            turns.push_back(motion);
        else
            shifts.push_back({motion[0], motion[1], motion[2]});
    }
    std::vector<vector3> axes;
    for (const std::array<double, 6>& turn : unheld_by_loads(p, nodes, scaled, turns))
        axes.push_back({turn[3], turn[4], turn[5]});
    out.motions = static_cast<std::int32_t>(shifts.size() + axes.size());
    const std::string moved = subspace_in_words(orthonormal(shifts), "in", "along");
    const std::string turned = subspace_in_words(orthonormal(axes), "about", "about");
    if (!moved.empty()) out.described = "translation " + moved;
    if (!turned.empty())
        out.described += (out.described.empty() ? "" : ", ") + std::string("rotation ") + turned;
    return out;
}

}  // namespace

singular_values singular_values_of(std::vector<std::vector<double>> columns) {
    const std::size_t n = columns.size();
    std::vector<std::vector<double>> right(n, std::vector<double>(n, 0.0));
    for (std::size_t k = 0; k < n; ++k) right[k][k] = 1.0;
    const double eps = std::numeric_limits<double>::epsilon();
    // Rotate pairs of columns until every pair is orthogonal to round-off (Hestenes).
    for (int sweep = 0; sweep < 60; ++sweep) {
        bool rotated = false;
        for (std::size_t p = 0; p + 1 < n; ++p)
            for (std::size_t q = p + 1; q < n; ++q) {
                const double alpha = dot(columns[p], columns[p]);
                const double beta = dot(columns[q], columns[q]);
                const double gamma = dot(columns[p], columns[q]);
                if (std::fabs(gamma) <= eps * std::sqrt(alpha * beta) || gamma == 0.0) continue;
                rotated = true;
                const double zeta = (beta - alpha) / (2.0 * gamma);
                const double t =
                    std::copysign(1.0, zeta) / (std::fabs(zeta) + std::sqrt(1.0 + zeta * zeta));
                const double c = 1.0 / std::sqrt(1.0 + t * t);
                const double s = c * t;
                const auto turn = [&](std::vector<double>& u, std::vector<double>& v) {
                    for (std::size_t r = 0; r < u.size(); ++r) {
                        const double up = u[r];
                        const double vq = v[r];
                        u[r] = c * up - s * vq;
                        v[r] = s * up + c * vq;
                    }
                };
                turn(columns[p], columns[q]);
                turn(right[p], right[q]);
            }
        if (!rotated) break;
    }
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::vector<double> norms(n);
    for (std::size_t k = 0; k < n; ++k) norms[k] = std::sqrt(dot(columns[k], columns[k]));
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return norms[a] > norms[b]; });
    singular_values out;
    for (const std::size_t k : order) {
        out.values.push_back(norms[k]);
        out.right.push_back(right[k]);
    }
    return out;
}

rigid_freedom free_rigid_motions(const problem& p) {
    const mesh& sheet = p.mesh;
    const std::int32_t nodes = sheet.node_count;
    std::vector<std::int32_t> parent(static_cast<std::size_t>(nodes) + 1);
    std::iota(parent.begin(), parent.end(), 0);
    std::vector<bool> used(static_cast<std::size_t>(nodes) + 1, false);
    for (std::int32_t e = sheet.elements.first(); e <= sheet.elements.last(); ++e) {
        const triangle& t = sheet.elements(e);
        for (const std::int32_t i : t.node) used[i] = true;
        for (int c = 1; c < 3; ++c) {
            const std::int32_t a = root(parent, t.node[0]);
            const std::int32_t b = root(parent, t.node[c]);
            if (a != b) parent[std::max(a, b)] = std::min(a, b);
        }
    }
    // Each part's nodes, ascending, and its shortest edge.
    std::vector<std::vector<std::int32_t>> parts(static_cast<std::size_t>(nodes) + 1);
    std::vector<double> shortest(static_cast<std::size_t>(nodes) + 1,
                                 std::numeric_limits<double>::infinity());
    for (std::int32_t i = 1; i <= nodes; ++i)
        if (used[i]) parts[root(parent, i)].push_back(i);
    for (std::int32_t e = sheet.elements.first(); e <= sheet.elements.last(); ++e) {
        const triangle& t = sheet.elements(e);
        const std::int32_t part = root(parent, t.node[0]);
        for (int c = 0; c < 3; ++c) {
            const std::int32_t a = t.node[c];
            const std::int32_t b = t.node[(c + 1) % 3];
            const double dx = sheet.node_x(b) - sheet.node_x(a);
            const double dy = sheet.node_y(b) - sheet.node_y(a);
            const double dz = sheet.node_z(b) - sheet.node_z(a);
            const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
            if (length > 0.0) shortest[part] = std::min(shortest[part], length);
        }
    }
    rigid_freedom out;
    for (std::int32_t i = 1; i <= nodes; ++i) {
        if (parts[i].empty()) continue;
        ++out.parts;
        const double edge = std::isfinite(shortest[i]) ? shortest[i] : 0.0;
        free_part part = free_motions_of(p, parts[i], edge);
        if (part.motions > 0) out.free.push_back(std::move(part));
    }
    return out;
}

}  // namespace sheet
