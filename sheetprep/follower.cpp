// The follower pressures' triangles, the open edges of their region and the holds at its ends.
#include "sheetprep/follower.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "sheet/failure.hpp"
#include "sheet/mechanics/pressure.hpp"
#include "sheetprep/real_text.hpp"

namespace sheetprep {

namespace {

// The prescribed value of every node component, when it has one.
using holds = std::vector<std::array<std::optional<double>, 3>>;

holds holds_of(const sheet_input& in) {
    holds out(in.sheet->nodes.size());
    for (const component_value& s : in.supports) out[s.node][s.direction] = s.value;
    return out;
}

// Whether end n of the open edge (n, other) keeps the potential's gradient the follower force:
// the discrepancy there is along other's position crossed with n's, which a hold in all three
// components takes up, and so does one at 0 normal to a coordinate plane holding both ends.
bool end_is_held(std::int32_t n, std::int32_t other, const mesh& m, const holds& held,
                 double tolerance) {
    const auto& h = held[n];
    if (h[0] && h[1] && h[2]) return true;
    for (int c = 0; c < 3; ++c) {
        const bool in_plane =
            std::fabs(m.nodes[n][c]) <= tolerance && std::fabs(m.nodes[other][c]) <= tolerance;
        const bool held_at_zero = h[c] && *h[c] == 0.0 && held[other][c] && *held[other][c] == 0.0;
        if (in_plane && held_at_zero) return true;
    }
    return false;
}

}  // namespace

void add_follower(const load& applied, const group& g, std::vector<double>& per_triangle) {
    for (const std::int32_t t : g.triangles) per_triangle[t] += applied.vector[0];
}

std::vector<triangle_pressure> follower_pressures(const std::vector<double>& per_triangle) {
    std::vector<triangle_pressure> out;
    for (std::size_t t = 0; t < per_triangle.size(); ++t)
        if (per_triangle[t] != 0.0) out.push_back({static_cast<std::int32_t>(t), per_triangle[t]});
    return out;
}

void check_follower_region(const sheet_input& in) {
    const mesh& m = *in.sheet;
    // Each edge (lower node, higher node): the pressures of its triangles, + where a triangle
    // runs from the lower node to the higher, - where it runs back.
    std::map<std::pair<std::int32_t, std::int32_t>, double> edges;
    for (const triangle_pressure& p : in.pressures) {
        const auto& corners = m.triangles[p.triangle];
        for (int l = 0; l < 3; ++l) {
            const std::int32_t from = corners[l], to = corners[(l + 1) % 3];
            double& sum = edges[{std::min(from, to), std::max(from, to)}];
            sum += from < to ? p.value : -p.value;
        }
    }
    double extent = 0.0;
    for (const point& x : m.nodes)
        for (const double c : x) extent = std::max(extent, std::fabs(c));
    const double tolerance = 1.0E-9 * extent;  // lying in a plane, up to the mesher's rounding
    const holds held = holds_of(in);
    std::optional<std::int32_t> breaking;
    for (const auto& [edge, sum] : edges) {
        if (sum == 0.0) continue;
        const auto [a, b] = edge;
        for (const auto& [n, other] : {std::pair{a, b}, std::pair{b, a}})
            if (!end_is_held(n, other, m, held, tolerance) && (!breaking || n < *breaking))
                breaking = n;
    }
    if (!breaking) return;
    const point& x = m.nodes[*breaking];
    throw sheet::failure(
        "node " + std::to_string(*breaking + 1) + " (" + real_text(x[0]) + ", " + real_text(x[1]) +
        ", " + real_text(x[2]) +
        ") lies on an open edge of the follower pressure's region and is neither held in x, y "
        "and z nor held at 0 normal to a coordinate plane through the origin that holds its "
        "edge, so the pressure could not follow the sheet there; hold it, or make the pressure "
        "a dead one (leave out 'follower')");
}

region_measure measure_region(const sheet_input& in) {
    const mesh& m = *in.sheet;
    region_measure out;
    for (const triangle_pressure& p : in.pressures) {
        double x[3][3];
        for (int l = 0; l < 3; ++l)
            for (int c = 0; c < 3; ++c) x[l][c] = m.nodes[m.triangles[p.triangle][l]][c];
        double a[3], b[3], n[3];
        for (int c = 0; c < 3; ++c) a[c] = x[1][c] - x[0][c], b[c] = x[2][c] - x[0][c];
        sheet::cross(a, b, n);
        out.area += std::sqrt(sheet::dot(n, n)) / 2.0;
        out.volume += sheet::pyramid_volume(x);
    }
    return out;
}

}  // namespace sheetprep
