// Each program's objective on a started model, with a plan and terms made for the call: for tests
// that evaluate the energy of hand-made or changed models.
#pragma once

#include <cstdint>

#include "dorvan/program.hpp"
#include "melvar/program.hpp"

namespace testing_support {

template <class K>
double objective_of_model(const sheet::model_of<K>& m, std::int32_t n, const terms::real_vector& x,
                          terms::real_vector& g, nlp::slope_request along = {}) {
    sheet::started<K> s{sheet::assembly_plan(m), sheet::make_terms<K>(m)};
    return sheet::membrane<K>::objective(m, s, n, x, g, along);
}

inline double dorvan_objective(const dorvan::model& m, std::int32_t n, const terms::real_vector& x,
                               terms::real_vector& g, nlp::slope_request along = {}) {
    return objective_of_model<dorvan::kinematics>(m, n, x, g, along);
}

inline double melvar_objective(const melvar::model& m, std::int32_t n, const terms::real_vector& x,
                               terms::real_vector& g, nlp::slope_request along = {}) {
    return objective_of_model<melvar::kinematics>(m, n, x, g, along);
}

}  // namespace testing_support
