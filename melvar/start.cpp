// The starting state: the undeformed sheet; prescribed components numbered after the free ones.
#include "sheet/model/start.hpp"

#include "melvar/model.hpp"
#include "melvar/objective.hpp"

namespace melvar {

void start(model& m) {
    sheet::complete_geometry(m);
    const std::int32_t free_count = sheet::count_free(m);
    sheet::number_components(m, free_count, free_count);
    m.x = terms::fmat1(1, free_count);
    m.gradient = terms::fmat1(1, free_count);
    sheet::fix_tolerance(m, free_count,
                         [&m](std::int32_t n, const terms::fmat1& x, terms::fmat1& g) {
                             return objective(m, n, x, g);
                         });
}

}  // namespace melvar
