// Whether a region of pressed triangles encloses a volume: the potential -p V of its pressure
// (V summed over its triangles with the origin) gives the follower force at every node, and a
// prescribed V means the same whatever the origin, only when each open edge of the region is
// closed by the supports.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace sheet {

// One triangle of the region: its corners (node indices) and its pressure, or 1 for a chamber.
struct region_triangle {
    std::array<std::int32_t, 3> corners;
    double weight = 1.0;
};

// What a region is checked against, by node index: the initial coordinates, and the prescribed
// value of each component that has one.
struct region_supports {
    std::vector<std::array<double, 3>> nodes;
    std::vector<std::array<std::optional<double>, 3>> held;
};

// An open edge is one whose triangles' weights, signed by the way each runs along it, do not
// cancel (a boundary edge, or one between different pressures or facing triangles). The region
// is closed when each end of every open edge is held in all three components, or lies with the
// edge's other end in a coordinate plane through the origin (up to 1e-9 of the mesh's extent)
// whose normal component both ends hold at 0. Returns the lowest node index that breaks this,
// or nothing when the region is closed.
std::optional<std::int32_t> first_open_end(const std::vector<region_triangle>& region,
                                           const region_supports& s);

}  // namespace sheet
