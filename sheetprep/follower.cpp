// The follower pressures' triangles, the open edges of their region and the holds at its ends.
#include "sheetprep/follower.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "sheet/failure.hpp"
#include "sheet/mechanics/pressure.hpp"
#include "sheet/model/enclosure.hpp"
#include "sheetprep/real_text.hpp"

namespace sheetprep {

sheet::region_supports supports_of(const sheet_input& in) {
    sheet::region_supports out;
    out.nodes = in.sheet->nodes;
    out.held.resize(in.sheet->nodes.size());
    for (const component_value& s : in.supports) out.held[s.node][s.direction] = s.value;
    return out;
}

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
    std::vector<sheet::region_triangle> region;
    for (const triangle_pressure& p : in.pressures)
        region.push_back({m.triangles[p.triangle], p.value});
    const std::optional<std::int32_t> breaking = sheet::first_open_end(region, supports_of(in));
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
