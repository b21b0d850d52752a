// The quality of each triangle, the share of slivers, and the count against the count expected.
#include "sheetprep/mesh_checks.hpp"

#include <cmath>
#include <cstdio>

#include "sheet/failure.hpp"
#include "sheetprep/real_text.hpp"

namespace sheetprep {

namespace {

point minus(const point& a, const point& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
double dot(const point& a, const point& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
// Twice the area of the triangle abc: |(b - a) x (c - a)|.
double twice_area(const point& a, const point& b, const point& c) {
    const point u = minus(b, a), v = minus(c, a);
    const point normal{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                       u[0] * v[1] - u[1] * v[0]};
    return std::sqrt(dot(normal, normal));
}

std::string percent(std::size_t part, std::size_t whole) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f %%",
                  100.0 * static_cast<double>(part) / static_cast<double>(whole));
    return text;
}

}  // namespace

double triangle_quality(const point& a, const point& b, const point& c) {
    const point ab = minus(b, a), bc = minus(c, b), ca = minus(a, c);
    const double squares = dot(ab, ab) + dot(bc, bc) + dot(ca, ca);
    if (!(squares > 0.0)) return 0.0;
    // 4 sqrt(3) A = 2 sqrt(3) (2 A)
    return 2.0 * std::sqrt(3.0) * twice_area(a, b, c) / squares;
}

double triangles_for(double area, double size) {
    return area / (std::sqrt(3.0) / 4.0 * (size * size));
}

double mesh_area(const mesh& m) {
    double area = 0.0;
    for (const auto& t : m.triangles)
        area += 0.5 * twice_area(m.nodes[t[0]], m.nodes[t[1]], m.nodes[t[2]]);
    return area;
}

void check_size_reached(const mesh& m, const std::string& file, std::optional<double> mesh_size,
                        std::optional<double> expected) {
    const std::size_t count = m.triangles.size();
    if (count == 0) return;
    std::size_t slivers = 0;
    for (const auto& t : m.triangles)
        slivers += triangle_quality(m.nodes[t[0]], m.nodes[t[1]], m.nodes[t[2]]) < sliver_quality;
    const std::string gave_up = "gmsh gave up on the element size asked for in " + file + ": ";
    if (static_cast<double>(slivers) > largest_sliver_share * static_cast<double>(count))
        throw sheet::failure(
            gave_up + std::to_string(slivers) + " of its " + std::to_string(count) +
            " triangles (" + percent(slivers, count) +
            ") are slivers (shape quality below 0.1, where an equilateral triangle has 1), where "
            "a mesh that gmsh completes has almost none; ask for a larger element size");
    if (mesh_size && expected && *expected >= 100.0 && static_cast<double>(count) < *expected / 4.0)
        throw sheet::failure(gave_up + "mesh_size " + real_text(*mesh_size) + " takes about " +
                             std::to_string(std::llround(*expected)) +
                             " triangles to cover the sheet, and gmsh made only " +
                             std::to_string(count) + "; choose a larger mesh_size");
}

}  // namespace sheetprep
