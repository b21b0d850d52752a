// melvar's element Hessians by forward-mode differentiation of its element formulas: the nine
// corner displacements seeded as duals and the forces differentiated once more.
#include "melvar/element_hessian.hpp"

#include <variant>

#include "melvar/element.hpp"
#include "sheet/assembly/hessian_assembly.hpp"

namespace melvar {

void element_hessian(const model& m, const sheet::element_columns& table, std::size_t at,
                     std::span<const double> xs, double* packed) {
    using number = sheet::dual<element_unknowns>;
    number u[3][3];
    const std::int32_t e = sheet::seed_element(m, table, at, xs, u);
    const double t0 = m.problem.thickness;
    sheet::nodal_forces<number> forces;
    std::visit([&](const auto& law) { element_state(law, t0, m.geometry(e), u, forces); }, m.law);
    sheet::pack_symmetric<element_unknowns>(
        [&](int a) -> const number& { return forces.row[a / 3][a % 3]; }, packed);
}

}  // namespace melvar
