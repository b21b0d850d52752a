// element2: the element routine at a vector of unknowns, gathering the corners' displacements
// with every index checked.
#include "melvar/element.hpp"

namespace melvar {

element_result element2(const model& m, const sheet::element& r, const terms::fmat1& x,
                        sheet::element_forces& forces) {
    double u[3][3];
    for (int l = 0; l < 3; ++l) {
        for (std::int32_t j = 1; j <= 3; ++j) {
            const std::int32_t k = m.dof_map(r.node[l], j);
            u[l][j - 1] = k <= m.free_count ? x(k) : m.prescribed(r.node[l], j);
        }
    }
    return element_state(m, r, u, forces);
}

}  // namespace melvar
