// The open edges of a region of triangles and the holds at their ends.
#include "sheet/model/enclosure.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace sheet {

namespace {

// Whether end n of the open edge (n, other) keeps the potential's gradient the follower force:
// the discrepancy there is along other's position crossed with n's, which a hold in all three
// components takes up, and so does one at 0 normal to a coordinate plane holding both ends.
bool end_is_held(std::int32_t n, std::int32_t other, const region_supports& s, double tolerance) {
    const auto& h = s.held[static_cast<std::size_t>(n)];
    const auto& k = s.held[static_cast<std::size_t>(other)];
    if (h[0] && h[1] && h[2]) return true;
    for (std::size_t c = 0; c < 3; ++c) {
        const bool in_plane = std::fabs(s.nodes[static_cast<std::size_t>(n)][c]) <= tolerance &&
                              std::fabs(s.nodes[static_cast<std::size_t>(other)][c]) <= tolerance;
        const bool held_at_zero = h[c] && *h[c] == 0.0 && k[c] && *k[c] == 0.0;
        if (in_plane && held_at_zero) return true;
    }
    return false;
}

}  // namespace

std::optional<std::int32_t> first_open_end(const std::vector<region_triangle>& region,
                                           const region_supports& s) {
    // Each edge (lower node, higher node): the weights of its triangles, + where a triangle runs
    // from the lower node to the higher, - where it runs back.
    std::map<std::pair<std::int32_t, std::int32_t>, double> edges;
    for (const region_triangle& t : region) {
        for (std::size_t l = 0; l < 3; ++l) {
            const std::int32_t from = t.corners[l], to = t.corners[(l + 1) % 3];
            double& sum = edges[{std::min(from, to), std::max(from, to)}];
            sum += from < to ? t.weight : -t.weight;
        }
    }
    double extent = 0.0;
    for (const auto& x : s.nodes)
        for (const double c : x) extent = std::max(extent, std::fabs(c));
    const double tolerance = 1.0E-9 * extent;  // lying in a plane, up to the mesher's rounding
    std::optional<std::int32_t> breaking;
    for (const auto& [edge, sum] : edges) {
        if (sum == 0.0) continue;
        const auto [a, b] = edge;
        for (const auto& [n, other] : {std::pair{a, b}, std::pair{b, a}})
            if (!end_is_held(n, other, s, tolerance) && (!breaking || n < *breaking)) breaking = n;
    }
    return breaking;
}

}  // namespace sheet
