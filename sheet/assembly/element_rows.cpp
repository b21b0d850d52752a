// The rows and the elements' forces, the elements evaluated on the worker pool and taken up in
// element order.
#include "sheet/assembly/element_rows.hpp"

#include "sheet/assembly/in_order.hpp"

namespace sheet {

std::vector<element_row> element_rows(const mesh& mesh, const element_row_of& row_of,
                                      terms::real_matrix& forces) {
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
                forces(r.node[l], j) = forces(r.node[l], j) + slot.forces.row[l][j - 1];
    };
    for_each_in_order<row_slot>(mesh.elements.size(), evaluate, take_up);
    return rows;
}

}  // namespace sheet
