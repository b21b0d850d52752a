// The mesh as the preparer sees it, in our own plain types: the nodes the triangles use, the
// 3-node triangles, and the named physical groups with their nodes, triangles and edges.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sheetprep {

using point = std::array<double, 3>;

// Indices are 0-based into mesh::nodes and mesh::triangles; input.txt numbers them from 1.
struct group {
    std::string name;
    int dimension = 0;                    // 0 point, 1 curve, 2 surface, 3 volume
    std::vector<std::int32_t> nodes;      // ascending, each once
    std::vector<std::int32_t> triangles;  // surface groups: their triangles, in mesh order
    std::vector<std::array<std::int32_t, 2>> edges;  // curve groups: their 2-node line elements
    // gmsh tags of the group's nodes that no triangle uses (they are not in nodes).
    std::vector<std::size_t> stray_nodes;
};

struct mesh {
    std::vector<point> nodes;                            // in the mesh's node order
    std::vector<std::array<std::int32_t, 3>> triangles;  // corners N1, N2, N3
    std::vector<group> groups;                           // named groups only, in gmsh's order
};

}  // namespace sheetprep
