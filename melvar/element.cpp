// The element routine at a vector of unknowns, gathering the corners' displacements with every
// index checked.
#include "melvar/element.hpp"

namespace melvar {

element_result element_at(const model& m, std::int32_t e, const terms::real_vector& x,
                          sheet::element_forces& forces, sheet::current_shape<double>* shape) {
    const sheet::triangle& corners = m.problem.mesh.elements(e);
    const sheet::numbering& n = m.numbering;
    double u[3][3];
    for (int l = 0; l < 3; ++l) {
        for (std::int32_t j = 1; j <= 3; ++j) {
            const std::int32_t k = n.dof_map(corners.node[l], j);
            u[l][j - 1] =
                k <= n.free_count ? x(k) : sheet::applied_prescribed(m)(corners.node[l], j);
        }
    }
    return element_state(m, m.geometry(e), u, forces, shape);
}

}  // namespace melvar
