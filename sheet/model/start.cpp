// Initial element geometry and the numbering of the unknowns.
#include "sheet/model/start.hpp"

#include <cmath>
#include <string>

#include "sheet/failure.hpp"

namespace sheet {

void complete_geometry(model& m) {
    const mesh& mesh = m.problem.mesh;
    const std::int32_t last = mesh.elements.last();
    m.geometry = terms::array1<element_geometry>(mesh.elements.first(), last);
    for (std::int32_t e = mesh.elements.first(); e <= last; ++e) {
        const triangle& corners = mesh.elements(e);
        element_geometry& r = m.geometry(e);
        for (const std::int32_t corner : corners.node) {
            if (corner < 1 || corner > mesh.node_count)
                throw failure("element " + std::to_string(e) + " names node " +
                              std::to_string(corner) + ", which does not exist (the nodes are 1.." +
                              std::to_string(mesh.node_count) + ")");
        }
        const std::int32_t n1 = corners.node[0], n2 = corners.node[1], n3 = corners.node[2];
        const double p1[3] = {mesh.node_x(n1), mesh.node_y(n1), mesh.node_z(n1)};
        const double p2[3] = {mesh.node_x(n2), mesh.node_y(n2), mesh.node_z(n2)};
        const double p3[3] = {mesh.node_x(n3), mesh.node_y(n3), mesh.node_z(n3)};
        for (int c = 0; c < 3; ++c) {
            r.edge_a[c] = p3[c] - p2[c];
            r.edge_b[c] = p1[c] - p3[c];
        }
        const double* a = r.edge_a;
        const double* b = r.edge_b;
        double a_a = 0.0, a_b = 0.0, b_b = 0.0;
        for (int c = 0; c < 3; ++c) {
            a_a = a_a + a[c] * a[c];
            a_b = a_b + b[c] * a[c];
            b_b = b_b + b[c] * b[c];
        }
        r.a_a = a_a;
        r.a_b = a_b;
        r.b_b = b_b;
        // n = edge_a x edge_b; area2 = |n|
        const double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                             a[0] * b[1] - a[1] * b[0]};
        double nn = 0.0;
        for (int c = 0; c < 3; ++c) nn = nn + n[c] * n[c];
        r.area2 = std::sqrt(nn);
        if (!(r.area2 > 0.0))
            throw failure("element " + std::to_string(e) +
                          " has zero area: its corners are collinear or coincide");
        if (!std::isfinite(r.area2))
            throw failure("element " + std::to_string(e) +
                          " is too large: the square of twice its area overflows double precision");
    }
}

std::int32_t count_free(const problem& p) {
    std::int32_t free_count = 0;
    for (std::int32_t i = 1; i <= p.mesh.node_count; ++i)
        for (std::int32_t j = 1; j <= 3; ++j)
            if (!p.supports.held(i, j)) ++free_count;
    return free_count;
}

void number_components(model& m, std::int32_t free_count, std::int32_t unknown_count,
                       std::int64_t prescribed_base) {
    const std::int32_t node_count = m.problem.mesh.node_count;
    const std::int64_t prescribed_count = std::int64_t{3} * node_count - free_count;
    if (prescribed_base + prescribed_count > INT32_MAX)
        throw failure("the model has more unknowns and supports than 32-bit numbers can count");
    numbering& n = m.numbering;
    n.dof_map = terms::index_matrix(1, node_count, 1, 3);
    n.free_count = free_count;
    n.unknown_count = unknown_count;
    std::int32_t next_free = 0;
    auto next_prescribed = static_cast<std::int32_t>(prescribed_base);
    for (std::int32_t i = 1; i <= node_count; ++i)
        for (std::int32_t j = 1; j <= 3; ++j)
            n.dof_map(i, j) = m.problem.supports.held(i, j) ? ++next_prescribed : ++next_free;
}

}  // namespace sheet
