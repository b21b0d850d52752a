// The element Hessian by invariants (each program's element_hessian) against the one by dual
// numbers, to round-off of the largest entry, for every law of both programs, plain and relaxed,
// in taut, wrinkled and slack states (a slack melvar element's is zero by both). Its agreement
// with differences of the forces is element_hessian_test.cpp's and relaxed_element_test.cpp's.
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

using sheet::tension_state;

// The triangle of m stretched by l1 along X and l2 along Y, turned about Z and tilted about X,
// disturbed by up to 0.01, with dorvan's thickness variable s.
template <class K>
void compare(const sheet::model_of<K>& m, const std::string& name, bool relaxed) {
    constexpr int n = 9 + K::internal_unknowns;
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
    const double c = std::cos(0.3), s = std::sin(0.3), ct = std::cos(0.2), st = std::sin(0.2);
    std::mt19937 random(17);
    std::uniform_real_distribution<double> noise(-0.01, 0.01);
    const sheet::element_columns table = sheet::element_columns_of(m);
    const double* prescribed = m.problem.supports.prescribed.all().data();
    for (const deformation& d : states) {
        const std::string where = name + (relaxed ? " relaxed at " : " at ") +
                                  std::to_string(d.l1) + " x " + std::to_string(d.l2);
        terms::real_vector x(1, n);
        for (int l = 0; l < 3; ++l) {
            const double sx = d.l1 * p[l][0], sy = d.l2 * p[l][1], ry = s * sx + c * sy;
            const double to[3] = {c * sx - s * sy, ct * ry, st * ry};
            for (int j = 0; j < 3; ++j)
                x(3 * l + j + 1) = to[j] - (j < 2 ? p[l][j] : 0.0) + noise(random);
        }
        if (n == 10) x(10) = d.s;
        sheet::element_forces f;
        ASSERT_TRUE(!relaxed || sheet::element_at<K>(m, 1, x, f).tension.state == d.state) << where;
        std::vector<double> fast(n * (n + 1) / 2, 0.0), dual(fast);
        element_hessian(m, table, 0, x.view(1, n), prescribed, fast.data());
        element_hessian_by_duals(m, table, 0, x.view(1, n), prescribed, dual.data());
        double largest = 0.0;
        for (const double v : dual) largest = std::max(largest, std::abs(v));
        for (std::size_t k = 0; k < dual.size(); ++k)
            EXPECT_NEAR(fast[k], dual[k], 1e-12 * largest) << where << ": packed entry " << k;
    }
}

TEST(invariant_hessian, is_the_one_by_dual_numbers_for_every_law) {
    for (const bool relaxed : {false, true}) {
        const auto text = [&](const std::string& material) {
            return "Hessian\n: settings\n0.9 10 0.001 1.0 500 5\n: sheet\n" + material +
                   "\n: nodes\n3\n node x y z\n1 0.0 0.0 0.0\n2 1.2 0.1 0.0\n3 0.3 0.9 0.0\n"
                   ": elements\n1\n e N1 N2 N3\n1 1 2 3\n: prescribed\n0\n: loads\n0\n" +
                   (relaxed ? ": membrane\ntension-field\n" : "");
        };
        for (const char* material : {"0.5 1 1.0 4.0", "0.5 2 0.4 0.1 5.0"}) {
            dorvan::model m = input_text::read_dorvan(text(material));
            dorvan::program::start(m);
            compare<dorvan::kinematics>(m, std::string("dorvan ") + material, relaxed);
        }
        for (const char* material : {"0.5 1 1.0", "0.5 2 0.4 0.1", "0.5 3 0.9 2.0"}) {
            melvar::model m = input_text::read_melvar(text(material));
            melvar::program::start(m);
            compare<melvar::kinematics>(m, std::string("melvar ") + material, relaxed);
        }
    }
}

}  // namespace
