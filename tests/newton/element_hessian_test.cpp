// Every law's element Hessian against central differences of its forces (and of dorvan's true
// thickness slope), at random states and at large stretches, relative 1e-6.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "dorvan/program.hpp"
#include "melvar/program.hpp"
#include "support/input_text.hpp"

namespace {

// One tilted triangle, every component free, of the given material line; absolute tolerance so
// that start evaluates nothing.
std::string tilted_triangle(const std::string& material) {
    return "Hessian test\n: settings\n0.9 10 0.001 1.0 500 5\n: sheet\n" + material +
           "\n: nodes\n3\n node x y z\n1 0.1 -0.2 0.3\n2 1.3 0.1 -0.2\n3 0.4 1.1 0.5\n"
           ": elements\n1\n e N1 N2 N3\n1 1 2 3\n: prescribed\n0\n: loads\n0\n";
}

struct law_case {
    const char* name;
    bool dorvan;
    const char* material;
};

// The rows of the Hessian: forces by corner component, then dorvan's dE/ds = 2 t0 s slope.
template <class Model, class ElementAt>
std::vector<double> gradient_rows(const Model& m, const terms::real_vector& x, bool dorvan,
                                  ElementAt&& element_at) {
    sheet::element_forces f;
    const auto slope = element_at(m, x, f);
    std::vector<double> rows;
    for (int a = 0; a < 9; ++a) rows.push_back(f.row[a / 3][a % 3]);
    if (dorvan) rows.push_back(2.0 * m.problem.thickness * x(10) * slope);
    return rows;
}

template <class Model, class Hessian, class ElementAt>
void check_against_differences(const Model& m, const sheet::element_columns& table, int count,
                               const terms::real_vector& x, Hessian&& hessian,
                               ElementAt&& element_at, const std::string& where) {
    std::vector<double> packed(static_cast<std::size_t>(count * (count + 1) / 2));
    hessian(m, table, 0, x.view(1, count), packed.data());
    double largest = 0.0;
    for (const double v : packed) largest = std::max(largest, std::abs(v));
    for (int b = 0; b < count; ++b) {
        const double h = 1e-5 * std::max(1.0, std::abs(x(b + 1)));
        terms::real_vector up(1, count), down(1, count);
        for (int k = 1; k <= count; ++k) up(k) = down(k) = x(k);
        up(b + 1) += h;
        down(b + 1) -= h;
        const auto plus = gradient_rows(m, up, count == 10, element_at);
        const auto minus = gradient_rows(m, down, count == 10, element_at);
        for (int a = 0; a < count; ++a) {
            const double difference = (plus[a] - minus[a]) / (2.0 * h);
            const double exact = packed[a <= b ? b * (b + 1) / 2 + a : a * (a + 1) / 2 + b];
            EXPECT_NEAR(exact, difference, 1e-6 * largest + 1e-6 * std::abs(exact))
                << where << " entry (" << a << ", " << b << ")";
        }
    }
}

// K's element Hessian of the element at position at, at xs and the problem's prescribed values,
// into packed (which holds zeros).
template <class K>
void hessian_of(const sheet::model_of<K>& m, const sheet::element_columns& table, std::size_t at,
                std::span<const double> xs, double* packed) {
    element_hessian(m, table, at, xs, m.problem.supports.prescribed.all().data(), packed);
}

class element_hessian : public ::testing::TestWithParam<law_case> {};

TEST_P(element_hessian, agrees_with_central_differences_of_the_forces) {
    const law_case& c = GetParam();
    std::mt19937 random(7);
    std::uniform_real_distribution<double> small(-0.15, 0.15);
    for (int state = 0; state < 4; ++state) {
        const std::string where = std::string(c.name) + " state " + std::to_string(state);
        // states 0, 1: random; 2, 3: stretched 1.8 times in X and 1.3 in Y, randomly disturbed
        const double stretch[2] = {state < 2 ? 1.0 : 1.8, state < 2 ? 1.0 : 1.3};
        const double corners[3][3] = {{0.1, -0.2, 0.3}, {1.3, 0.1, -0.2}, {0.4, 1.1, 0.5}};
        terms::real_vector x(1, c.dorvan ? 10 : 9);
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j)
                x(3 * l + j + 1) =
                    (j < 2 ? (stretch[j] - 1.0) * corners[l][j] : 0.0) + small(random);
        if (c.dorvan) {
            x(10) = 0.8 + small(random);
            dorvan::model m = input_text::read_dorvan(tilted_triangle(c.material));
            const auto started = dorvan::program::start(m);
            check_against_differences(
                m, started.plan.table(), 10, x, hessian_of<dorvan::kinematics>,
                [](const dorvan::model& mm, const terms::real_vector& at,
                   sheet::element_forces& f) {
                    return sheet::element_at<dorvan::kinematics>(mm, 1, at, f).thickness_slope;
                },
                where);
        } else {
            melvar::model m = input_text::read_melvar(tilted_triangle(c.material));
            const auto started = melvar::program::start(m);
            check_against_differences(
                m, started.plan.table(), 9, x, hessian_of<melvar::kinematics>,
                [](const melvar::model& mm, const terms::real_vector& at,
                   sheet::element_forces& f) {
                    sheet::element_at<melvar::kinematics>(mm, 1, at, f);
                    return 0.0;
                },
                where);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    laws, element_hessian,
    ::testing::Values(law_case{"dorvan_neo_hookean", true, "0.5 1 1.0 100.0"},
                      law_case{"dorvan_mooney_rivlin", true, "0.5 2 0.4 0.1 100.0"},
                      law_case{"melvar_neo_hookean", false, "0.5 1 1.3"},
                      law_case{"melvar_mooney_rivlin", false, "0.5 2 0.4 0.15"},
                      law_case{"melvar_arruda_boyce", false, "0.5 3 0.9 1.8"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
