// melvar's element Hessians by forward-mode differentiation of its element formulas: the nine
// corner displacements seeded as duals and the forces differentiated once more.
#include "melvar/element_hessian.hpp"

#include <variant>

#include "melvar/element.hpp"
#include "sheet/mechanics/dual.hpp"

namespace melvar {

void element_hessian(const model& m, const sheet::element_columns& table, std::size_t at,
                     std::span<const double> xs, double* packed) {
    using number = sheet::dual<element_unknowns>;
    const double* prescribed = m.problem.supports.prescribed.all().data();
    number u[3][3];
    for (int l = 0; l < 3; ++l)
        for (int j = 0; j < 3; ++j)
            u[l][j] = number::seed(
                sheet::corner_value(table.source(3 * l + j)[at], xs.data(), prescribed), 3 * l + j);
    const std::int32_t e = m.problem.mesh.elements.first() + static_cast<std::int32_t>(at);
    const double t0 = m.problem.thickness;
    sheet::nodal_forces<number> forces;
    std::visit([&](const auto& law) { element_state(law, t0, m.geometry(e), u, forces); }, m.law);
    // Both mixed derivatives are formed; their mean is the symmetric entry.
    for (int b = 0; b < element_unknowns; ++b)
        for (int a = 0; a <= b; ++a)
            packed[b * (b + 1) / 2 + a] =
                0.5 * (forces.row[a / 3][a % 3].d[b] + forces.row[b / 3][b % 3].d[a]);
}

}  // namespace melvar
