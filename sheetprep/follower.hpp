// Follower pressures: summed per triangle, the check that their potential is the true follower
// load on the region they cover, and that region's area and enclosed volume at the start.
#pragma once

#include <vector>

#include "sheet/model/enclosure.hpp"
#include "sheetprep/mesh.hpp"
#include "sheetprep/problem.hpp"
#include "sheetprep/sheet_input.hpp"

namespace sheetprep {

// The mesh's nodes and the supports' holds, by node index, for the check of a region's edges.
sheet::region_supports supports_of(const sheet_input& in);

// Adds the pressure of one follower load on surface group g to per_triangle (by triangle).
void add_follower(const load& applied, const group& g, std::vector<double>& per_triangle);

// One entry per triangle whose summed follower pressure is not 0.0, in triangle order.
std::vector<triangle_pressure> follower_pressures(const std::vector<double>& per_triangle);

// The potential -p V gives the follower force at every node when, at each open edge of the
// pressurised region (one whose triangles' pressures, signed by the way each runs along it, do
// not cancel: a boundary edge, or one between different pressures or facing triangles), each
// end is held in all three components, or lies with the edge's other end in a coordinate plane
// through the origin whose normal component both ends hold at 0. Fails otherwise, naming the
// lowest-numbered node that breaks it and pointing at the dead pressure.
void check_follower_region(const sheet_input& in);

// The pressurised triangles' summed area and enclosed volume (their V = x1 . (x2 x x3) / 6,
// summed) at the initial coordinates.
struct region_measure {
    double area = 0.0;
    double volume = 0.0;
};
region_measure measure_region(const sheet_input& in);

}  // namespace sheetprep
