// The scaled copies of a load step.
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

void set_load_step(model& m, std::int32_t k, std::int32_t count) {
    load_step& step = m.step;
    step.number = k;
    step.count = count;
    step.factor = load_factor(k, count);
    step.loads = {};
    step.prescribed = {};
    step.pressures.clear();
    if (step.factor == 1.0) return;
    step.loads = scaled(m.problem.loads, step.factor);
    step.prescribed = scaled(m.problem.supports.prescribed, step.factor);
    for (const pressure& p : m.problem.pressures)
        step.pressures.push_back({p.element, step.factor * p.value});
}

}  // namespace sheet
