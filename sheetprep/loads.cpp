// Pressure and traction give each corner a third of their triangle's force, a line load each
// end half of its edge's force; sums run in the mesh's order of triangles and edges. A pressure
// group must be consistently oriented.
#include "sheetprep/loads.hpp"

#include <cmath>
#include <string>
#include <unordered_map>

#include "sheet/failure.hpp"

namespace sheetprep {

namespace {

point difference(const point& to, const point& from) {
    return {to[0] - from[0], to[1] - from[1], to[2] - from[2]};
}

// (N2 - N1) x (N3 - N1): twice the triangle's area, along its normal.
point area_normal(const mesh& m, const std::array<std::int32_t, 3>& corners) {
    const point a = difference(m.nodes[corners[1]], m.nodes[corners[0]]);
    const point b = difference(m.nodes[corners[2]], m.nodes[corners[0]]);
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double length(const point& v) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

void add(nodal_forces& forces, std::int32_t node, const point& force) {
    for (int j = 0; j < 3; ++j) forces[node][j] += force[j];
}

// Triangles that share an edge are oriented alike when they run along it in opposite directions;
// otherwise their normals, and a pressure along them, point to opposite sides of the sheet.
void check_orientation(const group& g, const mesh& m) {
    std::unordered_map<std::uint64_t, std::int32_t> by_edge;  // (from, to) -> its triangle
    for (const std::int32_t t : g.triangles) {
        const std::array<std::int32_t, 3>& corners = m.triangles[t];
        for (int k = 0; k < 3; ++k) {
            const auto from = static_cast<std::uint32_t>(corners[k]);
            const auto to = static_cast<std::uint32_t>(corners[(k + 1) % 3]);
            const auto [other, first] = by_edge.emplace(std::uint64_t{from} << 32 | to, t);
            if (!first)
                throw sheet::failure(
                    "pressure group '" + g.name + "' is not consistently oriented: elements " +
                    std::to_string(other->second + 1) + " and " + std::to_string(t + 1) +
                    " both run from node " + std::to_string(from + 1) + " to node " +
                    std::to_string(to + 1) +
                    ", so the pressure pushes one out and the other in (reverse the curve loop "
                    "of one of its surfaces)");
        }
    }
}

}  // namespace

void lump(const load& applied, const group& g, const mesh& m, nodal_forces& forces) {
    const std::array<double, 3>& v = applied.vector;
    switch (applied.kind) {
        case load_kind::pressure:
            check_orientation(g, m);
            for (const std::int32_t t : g.triangles) {
                const point n = area_normal(m, m.triangles[t]);
                // p * area * unit normal / 3 = p * n / 6, n being twice the area long
                const double share = v[0] / 6.0;
                const point corner = {n[0] * share, n[1] * share, n[2] * share};
                for (const std::int32_t node : m.triangles[t]) add(forces, node, corner);
            }
            break;
        case load_kind::traction:
            for (const std::int32_t t : g.triangles) {
                const double third = 0.5 * length(area_normal(m, m.triangles[t])) / 3.0;
                const point corner = {v[0] * third, v[1] * third, v[2] * third};
                for (const std::int32_t node : m.triangles[t]) add(forces, node, corner);
            }
            break;
        case load_kind::line_load:
            for (const auto& edge : g.edges) {
                const double half = length(difference(m.nodes[edge[1]], m.nodes[edge[0]])) / 2.0;
                const point end = {v[0] * half, v[1] * half, v[2] * half};
                add(forces, edge[0], end);
                add(forces, edge[1], end);
            }
            break;
        case load_kind::force:
            for (const std::int32_t node : g.nodes) add(forces, node, v);
            break;
    }
}

std::vector<component_value> load_components(const nodal_forces& forces) {
    std::vector<component_value> out;
    for (std::size_t i = 0; i < forces.size(); ++i)
        for (int j = 0; j < 3; ++j)
            if (forces[i][j] != 0.0) out.push_back({static_cast<std::int32_t>(i), j, forces[i][j]});
    return out;
}

}  // namespace sheetprep
