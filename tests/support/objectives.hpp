// Each program's objective on a started model, with a plan made for the call: for tests that
// evaluate the energy of hand-made or changed models.
#pragma once

#include <cstdint>

#include "dorvan/objective.hpp"
#include "melvar/objective.hpp"
#include "sheet/assembly/assembly_plan.hpp"

namespace testing_support {

inline double dorvan_objective(const dorvan::model& m, std::int32_t n, const terms::real_vector& x,
                               terms::real_vector& g, nlp::slope_request along = {}) {
    sheet::assembly_plan plan(m);
    return dorvan::objective(m, plan, n, x, g, along);
}

inline double melvar_objective(const melvar::model& m, std::int32_t n, const terms::real_vector& x,
                               terms::real_vector& g, nlp::slope_request along = {}) {
    sheet::assembly_plan plan(m);
    return melvar::objective(m, plan, n, x, g, along);
}

}  // namespace testing_support
