// dorvan's element Hessians by forward-mode differentiation of its element formulas: the nine
// corner displacements and the thickness variable seeded as duals, the forces and the true
// thickness slope differentiated once more.
#include "dorvan/element_hessian.hpp"

#include <variant>

#include "dorvan/element.hpp"
#include "sheet/assembly/hessian_assembly.hpp"

namespace dorvan {

void element_hessian(const model& m, const sheet::element_columns& table, std::size_t at,
                     std::span<const double> xs, double* packed) {
    using number = sheet::dual<element_unknowns>;
    number u[3][3];
    const std::int32_t e = sheet::seed_element(m, table, at, xs, u);
    const number s = number::seed(xs[static_cast<std::size_t>(m.numbering.free_count + e - 1)], 9);
    const double t0 = m.problem.thickness;
    sheet::nodal_forces<number> forces;
    const element_result_of<number> result = std::visit(
        [&](const auto& law) { return element_state(law, t0, m.geometry(e), u, s, forces); },
        m.law);
    // dE/ds = A2 t0 / 2 dW/dC33 4 s^3 = 2 t0 s thickness_slope
    const number energy_slope = 2.0 * t0 * s * result.thickness_slope;
    sheet::pack_symmetric<element_unknowns>(
        [&](int a) -> const number& { return a < 9 ? forces.row[a / 3][a % 3] : energy_slope; },
        packed);
}

void energy_gradient(const model& m, std::span<const double> xs, std::span<const double> g,
                     std::span<double> out) {
    const auto free = static_cast<std::size_t>(m.numbering.free_count);
    const double t0 = m.problem.thickness;
    for (std::size_t k = 0; k < free; ++k) out[k] = g[k];
    for (std::size_t k = free; k < g.size(); ++k) out[k] = 2.0 * t0 * xs[k] * g[k];
}

}  // namespace dorvan
