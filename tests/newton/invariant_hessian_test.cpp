// The element Hessian by invariants (each program's element_hessian) against the one by dual
// numbers through the whole element, to round-off of the largest entry, for every law of both
// programs, plain and relaxed, in taut, wrinkled and slack states (a slack melvar element's is
// zero by both). Its agreement with central differences of the forces is checked by
// element_hessian_test.cpp and relaxed_element_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "dorvan/program.hpp"
#include "melvar/program.hpp"
#include "support/input_text.hpp"

namespace {

struct law_case {
    const char* name;
    bool dorvan;
    const char* material;
};

// The triangle of the model stretched by l1 along X and l2 along Y, turned about Z and tilted
// about X, disturbed by up to 0.01, with dorvan's thickness variable s.
template <class K>
void compare(const sheet::model_of<K>& m, const std::string& name, bool relaxed) {
    constexpr int n = 9 + K::internal_unknowns;
    using sheet::tension_state;
    struct deformation {
        double l1, l2, s;
        tension_state state;  // under the relaxed law
    };
    const deformation states[] = {{1.3, 1.2, 0.85, tension_state::taut},
                                  {2.4, 1.7, 0.6, tension_state::taut},
                                  {1.6, 0.7, 0.92, tension_state::wrinkled},
                                  {1.2, 0.5, 1.0, tension_state::wrinkled},
                                  {0.9, 0.8, 1.0, tension_state::slack}};
    const double p[3][2] = {{0.0, 0.0}, {1.2, 0.1}, {0.3, 0.9}};
    std::mt19937 random(17);
    std::uniform_real_distribution<double> noise(-0.01, 0.01);
    const sheet::element_columns table = sheet::element_columns_of(m);
    const double* prescribed = m.problem.supports.prescribed.all().data();
    for (const deformation& d : states) {
        const std::string where = name + (relaxed ? " relaxed" : "") + " at " +
                                  std::to_string(d.l1) + " x " + std::to_string(d.l2);
        terms::real_vector x(1, n);
        for (int l = 0; l < 3; ++l) {
            const double sx = d.l1 * p[l][0], sy = d.l2 * p[l][1];
            const double ry = std::sin(0.3) * sx + std::cos(0.3) * sy;
            const double to[3] = {std::cos(0.3) * sx - std::sin(0.3) * sy, std::cos(0.2) * ry,
                                  std::sin(0.2) * ry};
            const double from[3] = {p[l][0], p[l][1], 0.0};
            for (int j = 0; j < 3; ++j) x(3 * l + j + 1) = to[j] - from[j] + noise(random);
        }
        if (n == 10) x(10) = d.s;
        sheet::element_forces f;
        if (relaxed) {
            ASSERT_EQ(sheet::element_at<K>(m, 1, x, f).tension.state, d.state) << where;
        }
        std::vector<double> fast(n * (n + 1) / 2, 0.0), dual(fast);
        element_hessian(m, table, 0, x.view(1, n), prescribed, fast.data());
        element_hessian_by_duals(m, table, 0, x.view(1, n), prescribed, dual.data());
        double largest = 0.0;
        for (const double v : dual) largest = std::max(largest, std::abs(v));
        for (std::size_t k = 0; k < dual.size(); ++k)
            EXPECT_NEAR(fast[k], dual[k], 1e-12 * largest) << where << ": packed entry " << k;
    }
}

class invariant_hessian : public ::testing::TestWithParam<law_case> {};

TEST_P(invariant_hessian, is_the_one_by_dual_numbers) {
    const law_case& c = GetParam();
    for (const bool relaxed : {false, true}) {
        const std::string text =
            "Hessian\n: settings\n0.9 10 0.001 1.0 500 5\n: sheet\n" + std::string(c.material) +
            "\n: nodes\n3\n node x y z\n1 0.0 0.0 0.0\n2 1.2 0.1 0.0\n3 0.3 0.9 0.0\n"
            ": elements\n1\n e N1 N2 N3\n1 1 2 3\n: prescribed\n0\n: loads\n0\n" +
            (relaxed ? ": membrane\ntension-field\n" : "");
        if (c.dorvan) {
            dorvan::model m = input_text::read_dorvan(text);
            dorvan::program::start(m);
            compare<dorvan::kinematics>(m, c.name, relaxed);
        } else {
            melvar::model m = input_text::read_melvar(text);
            melvar::program::start(m);
            compare<melvar::kinematics>(m, c.name, relaxed);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(laws, invariant_hessian,
                         ::testing::Values(law_case{"dorvan_neo_hookean", true, "0.5 1 1.0 4.0"},
                                           law_case{"dorvan_mooney_rivlin", true,
                                                    "0.5 2 0.4 0.1 5.0"},
                                           law_case{"melvar_neo_hookean", false, "0.5 1 1.0"},
                                           law_case{"melvar_mooney_rivlin", false, "0.5 2 0.4 0.1"},
                                           law_case{"melvar_arruda_boyce", false, "0.5 3 0.9 2.0"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
