// The objective: loads first, then every element in order, each adding its forces into the
// gradient. The indices it follows (corner nodes, dof_map entries) were checked when start made
// them, so the loops run on validated spans.
#include "dorvan/objective.hpp"

#include "dorvan/element.hpp"

namespace dorvan {

double objective(const model& m, std::int32_t n, const terms::fmat1& x, terms::fmat1& g) {
    (void)n;  // the loops are bounded by the model, not by n
    const std::int32_t free_count = m.free_count;
    const auto xs = x.view(1, m.unknown_count);
    const auto gs = g.view(1, m.unknown_count);
    const auto dof = m.dof_map.all();
    const auto loads = m.loads.all();
    const auto prescribed = m.prescribed.all();

    double f = 0.0;
    // Work of the loads on the free components; the gradient starts from the negated loads.
    for (std::size_t c = 0; c < dof.size(); ++c) {
        const std::int32_t k = dof[c];
        if (k <= free_count) {
            f = f - xs[k - 1] * loads[c];
            gs[k - 1] = -loads[c];
        }
    }

    const std::int32_t first = m.elements.first();
    const auto records = m.elements.view(first, m.elements.last());
    sheet::element_forces forces;
    for (std::size_t at = 0; at < records.size(); ++at) {
        const sheet::element& r = records[at];
        const auto e = static_cast<std::int32_t>(first + static_cast<std::int32_t>(at));
        std::size_t base[3];
        double u[3][3];
        for (int l = 0; l < 3; ++l) {
            base[l] = static_cast<std::size_t>(r.node[l] - 1) * 3;
            for (int j = 0; j < 3; ++j) {
                const std::int32_t k = dof[base[l] + j];
                u[l][j] = k <= free_count ? xs[k - 1] : prescribed[base[l] + j];
            }
        }
        const element_result result = element_state(m, r, u, xs[free_count + e - 1], forces);
        f = f + result.strain_energy;
        for (int l = 0; l < 3; ++l) {
            for (int j = 0; j < 3; ++j) {
                const std::int32_t k = dof[base[l] + j];
                if (k <= free_count) gs[k - 1] = gs[k - 1] + forces.row[l][j];
            }
        }
        gs[free_count + e - 1] = result.thickness_slope;
    }
    return f;
}

}  // namespace dorvan
