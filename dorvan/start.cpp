// The starting state: undeformed sheet, every thickness variable at 1.0.
#include "sheet/model/start.hpp"

#include "dorvan/program.hpp"
#include "sheet/failure.hpp"

namespace dorvan {

sheet::assembly_plan start(model& m) {
    sheet::complete_geometry(m);
    const std::int32_t free_count = sheet::count_free(m.problem);
    const std::int64_t unknowns =
        std::int64_t{free_count} + static_cast<std::int64_t>(m.problem.mesh.elements.size());
    if (unknowns > INT32_MAX)
        throw sheet::failure("the model has more unknowns than 32-bit numbers can count");
    const auto unknown_count = static_cast<std::int32_t>(unknowns);
    sheet::number_components(m, free_count, unknown_count, unknown_count);
    m.unknowns.x = terms::real_vector(1, unknown_count);
    for (std::int32_t k = free_count + 1; k <= unknown_count; ++k) m.unknowns.x(k) = 1.0;
    m.unknowns.gradient = terms::real_vector(1, unknown_count);
    sheet::assembly_plan plan(m);
    sheet::fix_tolerance(m, [&](std::int32_t n, const terms::real_vector& x,
                                terms::real_vector& g) { return objective(m, plan, n, x, g); });
    return plan;
}

}  // namespace dorvan
