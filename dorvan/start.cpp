// The starting state: undeformed sheet, every thickness variable at 1.0.
#include "sheet/model/start.hpp"

#include "dorvan/model.hpp"
#include "dorvan/objective.hpp"
#include "sheet/failure.hpp"

namespace dorvan {

void start(model& m) {
    sheet::complete_geometry(m);
    const std::int32_t free_count = sheet::count_free(m);
    const std::int64_t unknowns =
        std::int64_t{free_count} + static_cast<std::int64_t>(m.elements.size());
    if (unknowns > INT32_MAX)
        throw sheet::failure("the model has more unknowns than 32-bit numbers can count");
    m.unknown_count = static_cast<std::int32_t>(unknowns);
    sheet::number_components(m, free_count, m.unknown_count);
    m.x = terms::fmat1(1, m.unknown_count);
    for (std::int32_t k = free_count + 1; k <= m.unknown_count; ++k) m.x(k) = 1.0;
    m.gradient = terms::fmat1(1, m.unknown_count);
    sheet::fix_tolerance(m, m.unknown_count,
                         [&m](std::int32_t n, const terms::fmat1& x, terms::fmat1& g) {
                             return objective(m, n, x, g);
                         });
}

}  // namespace dorvan
