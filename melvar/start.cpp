// The starting state: the undeformed sheet; prescribed components numbered after the free ones.
#include "sheet/model/start.hpp"

#include "melvar/program.hpp"

namespace melvar {

sheet::assembly_plan start(model& m) {
    sheet::complete_geometry(m);
    const std::int32_t free_count = sheet::count_free(m.problem);
    sheet::number_components(m, free_count, free_count, free_count);
    m.unknowns.x = terms::real_vector(1, free_count);
    m.unknowns.gradient = terms::real_vector(1, free_count);
    sheet::assembly_plan plan(m);
    sheet::fix_tolerance(m, [&](std::int32_t n, const terms::real_vector& x,
                                terms::real_vector& g) { return objective(m, plan, n, x, g); });
    return plan;
}

}  // namespace melvar
