// The rows and the out-of-balance forces, the elements evaluated on the worker pool and taken up
// in element order.
#include "sheet/assembly/final_state.hpp"

#include "sheet/assembly/in_order.hpp"
#include "sheet/assembly/pressure_load.hpp"

namespace sheet {

void find_final_state(model& m, const element_row_of& row_of) {
    const mesh& mesh = m.problem.mesh;
    const terms::real_matrix& loads = applied_loads(m);
    terms::real_matrix reactions(1, mesh.node_count, 1, 3);
    for (std::int32_t i = 1; i <= mesh.node_count; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) reactions(i, j) = -loads(i, j);
    std::vector<element_row> rows;
    rows.reserve(mesh.elements.size());
    struct row_slot {
        element_forces forces;
        element_row row;
    };
    const std::int32_t first = mesh.elements.first();
    const auto evaluate = [&](std::size_t at, row_slot& slot) {
        slot.row = row_of(first + static_cast<std::int32_t>(at), slot.forces);
    };
    const auto take_up = [&](std::size_t at, const row_slot& slot) {
        rows.push_back(slot.row);
        const triangle& r = mesh.elements(first + static_cast<std::int32_t>(at));
        for (int l = 0; l < 3; ++l)
            for (std::int32_t j = 1; j <= 3; ++j)
                reactions(r.node[l], j) = reactions(r.node[l], j) + slot.forces.row[l][j - 1];
    };
    for_each_in_order<row_slot>(mesh.elements.size(), evaluate, take_up);
    add_pressure_forces(m, reactions);
    m.results.rows = std::move(rows);
    m.results.reactions = std::move(reactions);
}

}  // namespace sheet
