// Material laws built in code by their number in input.txt and their constants in the order the
// file gives them, for models that tests and benchmarks make by hand.
#pragma once

#include <array>
#include <initializer_list>
#include <stdexcept>
#include <variant>
#include <vector>

#include "dorvan/kinematics.hpp"
#include "melvar/kinematics.hpp"
#include "melvar/program.hpp"

namespace testing_support {

inline dorvan::law dorvan_law(int number, std::initializer_list<double> constants) {
    const std::vector<double> c(constants);
    if (number == 1 && c.size() == 2) return dorvan::neo_hookean{c[0], c[1]};
    if (number == 2 && c.size() == 3) return dorvan::mooney_rivlin{c[0], c[1], c[2]};
    throw std::invalid_argument("no dorvan law of that number and constants");
}

inline melvar::law melvar_law(int number, std::initializer_list<double> constants) {
    const std::vector<double> c(constants);
    if (number == 1 && c.size() == 1) return melvar::neo_hookean{c[0]};
    if (number == 2 && c.size() == 2) return melvar::mooney_rivlin{c[0], c[1]};
    if (number == 3 && c.size() == 2) {
        melvar::arruda_boyce law{c[0], c[1], {}};
        const std::array<double, 5> series = melvar::boyce_coefficients(c[1]);
        for (int i = 0; i < 5; ++i) law.coefficient[i] = series[i];
        return law;
    }
    throw std::invalid_argument("no melvar law of that number and constants");
}

// The element of initial geometry r under m's law, displaced by u at its corners (and, for
// dorvan, with thickness variable s): its result and its forces.
inline dorvan::element_result dorvan_element(const dorvan::model& m,
                                             const sheet::element_geometry& r,
                                             const double (&u)[3][3], double s,
                                             sheet::element_forces& forces) {
    return std::visit(
        [&](const auto& law) {
            return dorvan::element_state(law, m.problem.thickness, r, u, s, forces);
        },
        m.law);
}
inline melvar::element_result melvar_element(const melvar::model& m,
                                             const sheet::element_geometry& r,
                                             const double (&u)[3][3],
                                             sheet::element_forces& forces) {
    return std::visit(
        [&](const auto& law) {
            return melvar::element_state(law, m.problem.thickness, r, u, forces);
        },
        m.law);
}

}  // namespace testing_support
