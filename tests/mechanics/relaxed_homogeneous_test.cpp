// A square whose border is prescribed to a homogeneous in-plane stretch (lambda1 along X,
// lambda2 along Y), the centre node free in-plane, solved by the minimiser under every law's
// relaxed energy. Narrowed below the natural width (1.5 x 0.8), every element is wrinkled and
// carries the law's uniaxial tension at lambda1 (the closed form of the law's own derivatives)
// and no second stress; shorter both ways (0.9 x 0.8), every element is slack: no stress, and
// the energy of the sheet at rest.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dorvan/kinematics.hpp"
#include "dorvan/plane_stress.hpp"
#include "melvar/kinematics.hpp"
#include "nlp/minimiser.hpp"
#include "sheet/run/minimise.hpp"
#include "support/input_text.hpp"
#include "support/objectives.hpp"

namespace {

using sheet::tension_state;

// The square 0..2 in 2 x 2 cells (nodes row by row, 8 triangles), the border at (l1 X, l2 Y),
// every Z held, under the membrane section.
std::string square(const std::string& material, double l1, double l2) {
    std::string nodes, elements, held;
    int count = 0;
    for (int r = 0; r <= 2; ++r)
        for (int c = 0; c <= 2; ++c) {
            const int n = 1 + c + 3 * r;
            nodes += std::to_string(n) + ' ' + std::to_string(c) + ' ' + std::to_string(r) + " 0\n";
            held += std::to_string(n) + " 3 0\n";
            ++count;
            if (n == 5) continue;
            held += std::to_string(n) + " 1 " + std::to_string((l1 - 1.0) * c) + '\n';
            held += std::to_string(n) + " 2 " + std::to_string((l2 - 1.0) * r) + '\n';
            count += 2;
        }
    int e = 0;
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) {
            const int n = 1 + c + 3 * r;
            elements += std::to_string(++e) + ' ' + std::to_string(n) + ' ' +
                        std::to_string(n + 1) + ' ' + std::to_string(n + 4) + '\n';
            elements += std::to_string(++e) + ' ' + std::to_string(n) + ' ' +
                        std::to_string(n + 4) + ' ' + std::to_string(n + 3) + '\n';
        }
    return "Relaxed square\n: settings\n0.9 20 1e-10 1.0 5000 7\n: sheet\n" + material +
           "\n: nodes\n9\n n x y z\n" + nodes + ": elements\n8\n e N1 N2 N3\n" + elements +
           ": prescribed\n" + std::to_string(count) + "\n n d v\n" + held +
           ": loads\n0\n: membrane\ntension-field\n";
}

// What the solved square shows: each element's state and stresses, and its strain energy.
struct solved {
    bool optimal = false;
    tension_state state[8];
    sheet::principal_stresses stress[8];
    double energy = 0.0;
};

template <class K, class Model, class Objective>
solved solve(Model m, Objective&& objective) {
    auto f = [&m, &objective](std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
        return objective(m, n, x, g);
    };
    nlp::minimiser<decltype(f)> minimiser(f);
    solved out;
    out.optimal = minimiser
                      .lbfgs(sheet::lbfgs_settings_of(m), m.numbering.unknown_count, m.unknowns.x,
                             m.unknowns.gradient)
                      .optimal;
    for (std::int32_t e = 1; e <= 8; ++e) {
        sheet::element_forces forces;
        const auto r = sheet::element_at<K>(m, e, m.unknowns.x, forces);
        out.state[e - 1] = r.tension.state;
        out.stress[e - 1] = stresses_of(r);
        out.energy = out.energy + r.strain_energy;
    }
    return out;
}

solved dorvan_square(const std::string& material, double l1, double l2) {
    dorvan::model m = input_text::read_dorvan(square(material, l1, l2));
    dorvan::program::start(m);
    return solve<dorvan::kinematics>(
        std::move(m), [](auto&... a) { return testing_support::dorvan_objective(a...); });
}
solved melvar_square(const std::string& material, double l1, double l2) {
    melvar::model m = input_text::read_melvar(square(material, l1, l2));
    melvar::program::start(m);
    return solve<melvar::kinematics>(
        std::move(m), [](auto&... a) { return testing_support::melvar_objective(a...); });
}

// Law of either program: its material line, the Cauchy stress of uniaxial tension at lambda
// (closed form), and its energy density at rest.
struct law_case {
    const char* name;
    bool dorvan;
    const char* material;
    double (*uniaxial)(double lambda);
    double rest;
};

void PrintTo(const law_case& c, std::ostream* out) {
    *out << c.name;
}

// dorvan: both lateral stretches free of stress, then sigma1 of the textbook law
template <int Law>
double dorvan_uniaxial(double lambda) {
    using namespace dorvan_tests;
    const compressible_law law = Law == 1 ? compressible_law::neo_hookean(1.0, 4.0)
                                          : compressible_law::mooney_rivlin(0.4, 0.1, 5.0);
    const double t = bisect(
        [&](double l) {
            return cauchy_stresses(law, {lambda, l, l})[1];
        },
        1e-3, 10.0);
    return cauchy_stresses(law, {lambda, t, t})[0];
}
// melvar: lambda2 = lambda3 = lambda^(-1/2), sigma1 = 2 w1 (lambda^2 - 1 / lambda) + 4 w2
// (lambda^4 - 1 / lambda^2)
template <class Law>
double melvar_uniaxial(const Law& law, double lambda) {
    const double a = lambda * lambda, b = 1.0 / lambda;
    const auto d = law.density(a + 2.0 * b, a * a + 2.0 * (b * b));
    return 2.0 * d.w1 * (a - b) + 4.0 * d.w2 * (a * a - b * b);
}
melvar::arruda_boyce boyce() {
    melvar::arruda_boyce law{0.9, 2.0, {}};
    law.derive();
    return law;
}

class relaxed_square : public ::testing::TestWithParam<law_case> {};

TEST_P(relaxed_square, narrowed_below_its_natural_width_carries_uniaxial_tension) {
    const law_case& c = GetParam();
    const solved s =
        c.dorvan ? dorvan_square(c.material, 1.5, 0.8) : melvar_square(c.material, 1.5, 0.8);
    ASSERT_TRUE(s.optimal);
    const double sigma1 = c.uniaxial(1.5);
    for (int e = 0; e < 8; ++e) {
        EXPECT_EQ(s.state[e], tension_state::wrinkled) << e;
        EXPECT_NEAR(s.stress[e].sigma1, sigma1, 1e-7 * sigma1) << e;
        EXPECT_EQ(s.stress[e].sigma2, 0.0) << e;
    }
}

TEST_P(relaxed_square, shorter_both_ways_is_slack_and_at_rest) {
    const law_case& c = GetParam();
    const solved s =
        c.dorvan ? dorvan_square(c.material, 0.9, 0.8) : melvar_square(c.material, 0.9, 0.8);
    ASSERT_TRUE(s.optimal);
    for (int e = 0; e < 8; ++e) {
        EXPECT_EQ(s.state[e], tension_state::slack) << e;
        EXPECT_EQ(s.stress[e].sigma1, 0.0) << e;
        EXPECT_EQ(s.stress[e].sigma2, 0.0) << e;
    }
    // the square of area 4, 0.5 thick, at rest: the law's density there by its volume
    EXPECT_NEAR(s.energy, c.rest * 4.0 * 0.5, 1e-9 * (std::abs(c.rest) + 1.0));
}

INSTANTIATE_TEST_SUITE_P(
    laws, relaxed_square,
    ::testing::Values(
        law_case{"dorvan_neo_hookean", true, "0.5 1 1.0 4.0", dorvan_uniaxial<1>,
                 dorvan::neo_hookean{1.0, 4.0}.density(3.0, 3.0, 1.0).w},
        law_case{"dorvan_mooney_rivlin", true, "0.5 2 0.4 0.1 5.0", dorvan_uniaxial<2>,
                 dorvan::mooney_rivlin{0.4, 0.1, 5.0}.density(3.0, 3.0, 1.0).w},
        law_case{"melvar_neo_hookean", false, "0.5 1 1.0",
                 [](double l) { return melvar_uniaxial(melvar::neo_hookean{1.0}, l); },
                 melvar::neo_hookean{1.0}.density(3.0, 3.0).w},
        law_case{"melvar_mooney_rivlin", false, "0.5 2 0.4 0.1",
                 [](double l) {
                     return melvar_uniaxial(melvar::mooney_rivlin{0.4, 0.1}, l);
                 },
                 melvar::mooney_rivlin{0.4, 0.1}.density(3.0, 3.0).w},
        law_case{"melvar_arruda_boyce", false, "0.5 3 0.9 2.0",
                 [](double l) { return melvar_uniaxial(boyce(), l); },
                 boyce().density(3.0, 3.0).w}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
