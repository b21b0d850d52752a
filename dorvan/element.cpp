// element2: the element routine at a vector of unknowns, gathering the corners' displacements
// with every index checked.
#include "dorvan/element.hpp"

namespace dorvan {

element_result element2(const model& m, std::int32_t e, const terms::fmat1& x,
                        sheet::element_forces& forces) {
    const sheet::element& r = m.elements(e);
    double u[3][3];
    for (int l = 0; l < 3; ++l) {
        for (std::int32_t j = 1; j <= 3; ++j) {
            const std::int32_t k = m.dof_map(r.node[l], j);
            u[l][j - 1] = k <= m.free_count ? x(k) : m.prescribed(r.node[l], j);
        }
    }
    return element_state(m, r, u, x(m.free_count + e), forces);
}

}  // namespace dorvan
