// One triangle of every law under its relaxed energy, read from input.txt with the membrane
// section: in a taut state the law's own element to the bit; in every state (taut, wrinkled,
// slack, and either side of the boundaries between them) its forces and dorvan's thickness
// slope against central differences of its energy, and its element Hessian against central
// differences of its forces.
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

// One triangle in the X-Y plane, every component free, of the given material line, with the
// membrane section when relaxed.
std::string triangle(const std::string& material, bool relaxed) {
    return "Relaxed element\n: settings\n0.9 10 0.001 1.0 500 5\n: sheet\n" + material +
           "\n: nodes\n3\n node x y z\n1 0.0 0.0 0.0\n2 1.2 0.1 0.0\n3 0.3 0.9 0.0\n"
           ": elements\n1\n e N1 N2 N3\n1 1 2 3\n: prescribed\n0\n: loads\n0\n" +
           (relaxed ? ": membrane\ntension-field\n" : "");
}

struct law_case {
    const char* name;
    bool dorvan;
    const char* material;
};

void PrintTo(const law_case& c, std::ostream* out) {
    *out << c.name;
}

// The element at x (x(1..9) the corners' displacements, x(10) dorvan's thickness variable):
// its energy, forces, thickness slope and state.
struct evaluation {
    double energy = 0.0;
    sheet::element_forces forces{};
    double slope = 0.0;
    tension_state state = tension_state::taut;
};

struct sheet_model {
    bool dorvan;
    dorvan::model d;
    melvar::model m;

    sheet_model(const law_case& c, bool relaxed) : dorvan(c.dorvan) {
        if (dorvan) {
            d = input_text::read_dorvan(triangle(c.material, relaxed));
            dorvan::program::start(d);
        } else {
            m = input_text::read_melvar(triangle(c.material, relaxed));
            melvar::program::start(m);
        }
    }
    int count() const { return dorvan ? 10 : 9; }

    evaluation at(const terms::real_vector& x) const {
        evaluation out;
        if (dorvan) {
            const auto r = sheet::element_at<dorvan::kinematics>(d, 1, x, out.forces);
            out = {r.strain_energy, out.forces, r.thickness_slope, r.tension.state};
        } else {
            const auto r = sheet::element_at<melvar::kinematics>(m, 1, x, out.forces);
            out = {r.strain_energy, out.forces, 0.0, r.tension.state};
        }
        return out;
    }

    std::vector<double> hessian(const terms::real_vector& x) const {
        std::vector<double> packed(static_cast<std::size_t>(count() * (count() + 1) / 2), 0.0);
        const std::span<const double> xs = x.view(1, count());
        if (dorvan)
            dorvan::element_hessian(d, sheet::element_columns_of(d), 0, xs,
                                    d.problem.supports.prescribed.all().data(), packed.data());
        else
            melvar::element_hessian(m, sheet::element_columns_of(m), 0, xs,
                                    m.problem.supports.prescribed.all().data(), packed.data());
        return packed;
    }
};

// x for the in-plane stretches (l1 along X, l2 along Y) of the triangle, turned by 0.3 rad
// about Z and tilted by 0.2 rad about X, disturbed by up to noise, with thickness variable s.
terms::real_vector state_of(const sheet_model& model, double l1, double l2, double s, double noise,
                            std::mt19937& random) {
    const double p[3][2] = {{0.0, 0.0}, {1.2, 0.1}, {0.3, 0.9}};
    std::uniform_real_distribution<double> disturbance(-noise, noise);
    const double turn = 0.3, tilt = 0.2;
    terms::real_vector x(1, model.count());
    for (int l = 0; l < 3; ++l) {
        const double sx = l1 * p[l][0], sy = l2 * p[l][1];
        const double rx = std::cos(turn) * sx - std::sin(turn) * sy;
        const double ry = std::sin(turn) * sx + std::cos(turn) * sy;
        const double to[3] = {rx, std::cos(tilt) * ry, std::sin(tilt) * ry};
        const double from[3] = {p[l][0], p[l][1], 0.0};
        for (int j = 0; j < 3; ++j) x(3 * l + j + 1) = to[j] - from[j] + disturbance(random);
    }
    if (model.dorvan) x(10) = s;
    return x;
}

// Central differences: of the energy against the forces (and of dorvan's energy by s against
// 2 t0 s times the slope), and of the forces (and the true slope) against the Hessian.
void check_derivatives(const sheet_model& model, const terms::real_vector& x,
                       const std::string& where) {
    const int n = model.count();
    const double t0 = model.dorvan ? model.d.problem.thickness : model.m.problem.thickness;
    const evaluation at = model.at(x);
    // the rows of the gradient: forces by corner component, then dorvan's dE/ds
    const auto rows = [&](const evaluation& e, const terms::real_vector& y) {
        std::vector<double> out;
        for (int a = 0; a < 9; ++a) out.push_back(e.forces.row[a / 3][a % 3]);
        if (model.dorvan) out.push_back(2.0 * t0 * y(10) * e.slope);
        return out;
    };
    const std::vector<double> gradient = rows(at, x);
    const std::vector<double> packed = model.hessian(x);
    double largest = 0.0, steepest = 0.0;
    for (const double v : packed) largest = std::max(largest, std::abs(v));
    for (const double v : gradient) steepest = std::max(steepest, std::abs(v));
    for (int b = 0; b < n; ++b) {
        const double h = 1e-6;
        terms::real_vector up(1, n), down(1, n);
        for (int k = 1; k <= n; ++k) up(k) = down(k) = x(k);
        up(b + 1) += h;
        down(b + 1) -= h;
        const evaluation plus = model.at(up), minus = model.at(down);
        EXPECT_NEAR(gradient[b], (plus.energy - minus.energy) / (2.0 * h), 1e-6 * steepest + 1e-9)
            << where << ": gradient " << b;
        if (plus.state != at.state || minus.state != at.state) continue;  // curvatures jump
        const std::vector<double> g_up = rows(plus, up), g_down = rows(minus, down);
        for (int a = 0; a < n; ++a) {
            const double difference = (g_up[a] - g_down[a]) / (2.0 * h);
            const double exact = packed[a <= b ? b * (b + 1) / 2 + a : a * (a + 1) / 2 + b];
            EXPECT_NEAR(exact, difference, 1e-6 * largest + 1e-6 * std::abs(exact))
                << where << ": Hessian (" << a << ", " << b << ")";
        }
    }
}

class relaxed_element : public ::testing::TestWithParam<law_case> {};

TEST_P(relaxed_element, is_the_law_itself_where_taut) {
    const law_case& c = GetParam();
    const sheet_model relaxed(c, true), plain(c, false);
    std::mt19937 random(3);
    const terms::real_vector x = state_of(relaxed, 1.3, 1.2, 0.85, 0.01, random);
    const evaluation r = relaxed.at(x), p = plain.at(x);
    ASSERT_EQ(r.state, tension_state::taut);
    EXPECT_EQ(r.energy, p.energy);
    EXPECT_EQ(r.slope, p.slope);
    for (int l = 0; l < 3; ++l)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(r.forces.row[l][j], p.forces.row[l][j]);
    EXPECT_EQ(relaxed.hessian(x), plain.hessian(x));
}

TEST_P(relaxed_element, forces_and_hessian_are_the_derivatives_of_its_energy_in_every_state) {
    const law_case& c = GetParam();
    const sheet_model model(c, true);
    std::mt19937 random(11);
    // (l1, l2, s, the state): dorvan's thickness near its plane stress
    struct deformation {
        double l1, l2, s;
        tension_state state;
    };
    const deformation states[] = {{1.3, 1.2, 0.85, tension_state::taut},
                                  {1.6, 0.7, 0.92, tension_state::wrinkled},
                                  {1.2, 0.5, 1.0, tension_state::wrinkled},
                                  {0.9, 0.8, 1.0, tension_state::slack},
                                  {0.7, 0.6, 1.1, tension_state::slack}};
    for (const deformation& d : states)
        for (int repeat = 0; repeat < 2; ++repeat) {
            const terms::real_vector x = state_of(model, d.l1, d.l2, d.s, 0.01, random);
            const std::string where =
                std::string(c.name) + " at " + std::to_string(d.l1) + " x " + std::to_string(d.l2);
            ASSERT_EQ(model.at(x).state, d.state) << where;
            check_derivatives(model, x, where);
        }
}

// Just either side of the natural width (taut / wrinkled) and of the natural state (wrinkled /
// slack), found by bisection on lambda2 and on lambda1.
TEST_P(relaxed_element, derivatives_hold_either_side_of_the_state_boundaries) {
    const law_case& c = GetParam();
    const sheet_model model(c, true);
    std::mt19937 random(5);
    const auto state_at = [&](double l1, double l2) {
        std::mt19937 none(0);
        return model.at(state_of(model, l1, l2, 1.0, 0.0, none)).state;
    };
    const auto boundary = [&](double lo, double hi, auto&& state_of_value) {
        const tension_state low = state_of_value(lo);
        for (int k = 0; k < 60; ++k) {
            const double mid = 0.5 * (lo + hi);
            (state_of_value(mid) == low ? lo : hi) = mid;
        }
        return 0.5 * (lo + hi);
    };
    const double width = boundary(0.5, 1.5, [&](double l2) { return state_at(1.4, l2); });
    const double rest = boundary(0.7, 1.3, [&](double l1) { return state_at(l1, 0.6); });
    for (const double side : {-1e-4, 1e-4}) {
        const std::string where = std::string(c.name) + (side < 0 ? " below" : " above");
        check_derivatives(model, state_of(model, 1.4, width * (1.0 + side), 1.0, 0.0, random),
                          where + " the natural width");
        check_derivatives(model, state_of(model, rest * (1.0 + side), 0.6, 1.0, 0.0, random),
                          where + " the natural state");
    }
}

INSTANTIATE_TEST_SUITE_P(laws, relaxed_element,
                         ::testing::Values(law_case{"dorvan_neo_hookean", true, "0.5 1 1.0 4.0"},
                                           law_case{"dorvan_mooney_rivlin", true,
                                                    "0.5 2 0.4 0.1 5.0"},
                                           law_case{"melvar_neo_hookean", false, "0.5 1 1.0"},
                                           law_case{"melvar_mooney_rivlin", false, "0.5 2 0.4 0.1"},
                                           law_case{"melvar_arruda_boyce", false, "0.5 3 0.9 2.0"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
