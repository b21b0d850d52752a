// The scaled copies of a load step, and the displacements at a point.
#include "sheet/model/loading.hpp"

namespace sheet {

namespace {

terms::real_matrix scaled(const terms::real_matrix& values, double factor) {
    terms::real_matrix out(values.first1(), values.last1(), values.first2(), values.last2());
    const auto from = values.all();
    const auto to = out.all();
    for (std::size_t c = 0; c < from.size(); ++c) to[c] = factor * from[c];
    return out;
}

}  // namespace

double load_factor(std::int32_t k, std::int32_t count) {
    return static_cast<double>(k) / static_cast<double>(count);
}

load_state load_state_at(const problem& p, std::int32_t k, std::int32_t count) {
    load_state step;
    step.number = k;
    step.count = count;
    step.factor = load_factor(k, count);
    if (step.factor == 1.0) return step;
    step.scaled_loads = scaled(p.loads, step.factor);
    step.scaled_prescribed = scaled(p.supports.prescribed, step.factor);
    for (const pressure& q : p.pressures)
        step.scaled_pressures.push_back({q.element, step.factor * q.value});
    return step;
}

load_state copy_of(const load_state& step) {
    load_state out;
    out.number = step.number;
    out.count = step.count;
    out.factor = step.factor;
    if (!step.scaled_loads.all().empty()) out.scaled_loads = scaled(step.scaled_loads, 1.0);
    if (!step.scaled_prescribed.all().empty())
        out.scaled_prescribed = scaled(step.scaled_prescribed, 1.0);
    out.scaled_pressures = step.scaled_pressures;
    return out;
}

terms::real_matrix displacements_at(const problem& p, const numbering& n,
                                    const terms::real_vector& x, const load_state& load) {
    const std::int32_t nodes = p.mesh.node_count;
    const terms::real_matrix& prescribed = load.prescribed(p);
    terms::real_matrix out(1, nodes, 1, 3);
    for (std::int32_t i = 1; i <= nodes; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) {
            const std::int32_t k = n.dof_map(i, j);
            out(i, j) = k <= n.free_count ? x(k) : prescribed(i, j);
        }
    return out;
}

}  // namespace sheet
