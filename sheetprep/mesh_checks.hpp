// What the triangles of a mesh tell of how gmsh made it: whether gmsh reached the element size it
// was asked for, or gave up and returned a few huge slivers between a finely cut boundary.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sheetprep/mesh.hpp"

namespace sheetprep {

// The shape quality 4 sqrt(3) A / (a^2 + b^2 + c^2) of the triangle abc, with A its area and a, b,
// c its sides: 1 for an equilateral triangle, 0 for one collapsed onto a line.
double triangle_quality(const point& a, const point& b, const point& c);

// A triangle whose quality is below this is a sliver. gmsh's meshes of our examples hold none (the
// worst of their triangles is above 0.8), and the meshes it returned after giving up on a size
// 1000 to 4000 times finer than a disc's radius held 27 % to 59 %.
constexpr double sliver_quality = 0.1;
// A mesh with more slivers than this share of its triangles is refused.
constexpr double largest_sliver_share = 0.1;

// The number of equilateral triangles of side size that cover area: area / (sqrt(3)/4 size^2).
double triangles_for(double area, double size);

// The summed area of the triangles.
double mesh_area(const mesh& m);

// Fails when the mesh of the script file shows that gmsh gave up on the size asked: more than
// largest_sliver_share of its triangles are slivers, or, when mesh_size was given and it takes
// `expected` triangles (at least 100) to cover the sheet, fewer than a quarter of those were made.
void check_size_reached(const mesh& m, const std::string& file, std::optional<double> mesh_size,
                        std::optional<double> expected);

}  // namespace sheetprep
