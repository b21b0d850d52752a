// A square whose border is prescribed to a homogeneous in-plane stretch (lambda1 along X,
// lambda2 along Y), its centre node free in-plane, solved by the minimiser under every law's
// relaxed energy. Narrowed below the natural width (1.5 x 0.8), every element is wrinkled with
// the law's uniaxial tension at lambda1 (closed form) and no second stress; shorter both ways
// (0.9 x 0.8), every element is slack: no stress, and the energy of the sheet at rest.
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

// The square 0..2 in 2 x 2 cells, the border at (l1 X, l2 Y), every Z held.
std::string square(const std::string& material, double l1, double l2) {
    std::string nodes, elements, held;
    int e = 0;
    for (int n = 1; n <= 9; ++n) {
        const int c = (n - 1) % 3, r = (n - 1) / 3;
        nodes += std::to_string(n) + ' ' + std::to_string(c) + ' ' + std::to_string(r) + " 0\n";
        held += std::to_string(n) + " 3 0\n";
        if (n != 5)
            held += std::to_string(n) + " 1 " + std::to_string((l1 - 1.0) * c) + '\n' +
                    std::to_string(n) + " 2 " + std::to_string((l2 - 1.0) * r) + '\n';
        if (c < 2 && r < 2)  // the cell above and right of n in two triangles
            for (const int k : {1, 3}) {
                const int second = k == 1 ? n + 1 : n + 4, third = k == 1 ? n + 4 : n + 3;
                elements += std::to_string(++e) + ' ' + std::to_string(n) + ' ' +
                            std::to_string(second) + ' ' + std::to_string(third) + '\n';
            }
    }
    return "Relaxed square\n: settings\n0.9 20 1e-10 1.0 5000 7\n: sheet\n" + material +
           "\n: nodes\n9\n n x y z\n" + nodes + ": elements\n8\n e N1 N2 N3\n" + elements +
           ": prescribed\n25\n n d v\n" + held + ": loads\n0\n: membrane\ntension-field\n";
}

// Minimised from rest (m started): whether optimal, then each element checked by check(state,
// stresses), and the summed strain energy.
template <class K, class Model, class Objective, class Check>
double solved(Model& m, Objective&& objective, Check&& check) {
    auto f = [&](std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
        return objective(m, n, x, g);
    };
    nlp::minimiser<decltype(f)> minimiser(f);
    EXPECT_TRUE(minimiser
                    .lbfgs(sheet::lbfgs_settings_of(m), m.numbering.unknown_count, m.unknowns.x,
                           m.unknowns.gradient)
                    .optimal);
    double energy = 0.0;
    for (std::int32_t e = 1; e <= 8; ++e) {
        sheet::element_forces forces;
        const auto r = sheet::element_at<K>(m, e, m.unknowns.x, forces);
        check(r.tension.state, stresses_of(r));
        energy = energy + r.strain_energy;
    }
    return energy;
}

template <class Check>
double solved(bool dorvan, const std::string& text, Check&& check) {
    if (dorvan) {
        dorvan::model m = input_text::read_dorvan(text);
        dorvan::program::start(m);
        return solved<dorvan::kinematics>(
            m, [](auto&... a) { return testing_support::dorvan_objective(a...); }, check);
    }
    melvar::model m = input_text::read_melvar(text);
    melvar::program::start(m);
    return solved<melvar::kinematics>(
        m, [](auto&... a) { return testing_support::melvar_objective(a...); }, check);
}

// melvar: lambda2 = lambda3 = lambda^(-1/2), sigma1 = 2 w1 (lambda^2 - 1/lambda) + 4 w2
// (lambda^4 - 1/lambda^2); dorvan: both lateral stresses zero, then the textbook law's sigma1
template <class Law>
double uniaxial(const Law& law, double l) {
    const double a = l * l, b = 1.0 / l;
    const auto d = law.density(a + 2.0 * b, a * a + 2.0 * (b * b));
    return 2.0 * d.w1 * (a - b) + 4.0 * d.w2 * (a * a - b * b);
}
double uniaxial(const dorvan_tests::compressible_law& law, double l) {
    const auto lateral = [&](double t) { return dorvan_tests::cauchy_stresses(law, {l, t, t}); };
    return lateral(dorvan_tests::bisect([&](double t) { return lateral(t)[1]; }, 1e-3, 10.0))[0];
}

struct law_case {
    const char* name;
    bool dorvan;
    const char* material;
    double sigma1;  // at lambda1 = 1.5
    double rest;    // the density at rest
};
void PrintTo(const law_case& c, std::ostream* out) {
    *out << c.name;
}

class relaxed_square : public ::testing::TestWithParam<law_case> {};

TEST_P(relaxed_square, wrinkles_in_uniaxial_tension_or_lies_slack_at_rest) {
    const law_case& c = GetParam();
    solved(c.dorvan, square(c.material, 1.5, 0.8),
           [&](tension_state state, sheet::principal_stresses s) {
               EXPECT_EQ(state, tension_state::wrinkled);
               EXPECT_NEAR(s.sigma1, c.sigma1, 1e-7 * c.sigma1);
               EXPECT_EQ(s.sigma2, 0.0);
           });
    const double energy = solved(c.dorvan, square(c.material, 0.9, 0.8),
                                 [](tension_state state, sheet::principal_stresses s) {
                                     EXPECT_EQ(state, tension_state::slack);
                                     EXPECT_EQ(s.sigma1, 0.0);
                                     EXPECT_EQ(s.sigma2, 0.0);
                                 });
    EXPECT_NEAR(energy, c.rest * 4.0 * 0.5, 1e-9 * (std::abs(c.rest) + 1.0));  // area 4, 0.5 thick
}

melvar::arruda_boyce boyce() {
    melvar::arruda_boyce law{0.9, 2.0, {}};
    law.derive();
    return law;
}
using dorvan_tests::compressible_law;

INSTANTIATE_TEST_SUITE_P(
    laws, relaxed_square,
    ::testing::Values(law_case{"dorvan_neo_hookean", true, "0.5 1 1.0 4.0",
                               uniaxial(compressible_law::neo_hookean(1.0, 4.0), 1.5),
                               dorvan::neo_hookean{1.0, 4.0}.density(3.0, 3.0, 1.0).w},
                      law_case{"dorvan_mooney_rivlin", true, "0.5 2 0.4 0.1 5.0",
                               uniaxial(compressible_law::mooney_rivlin(0.4, 0.1, 5.0), 1.5),
                               dorvan::mooney_rivlin{0.4, 0.1, 5.0}.density(3.0, 3.0, 1.0).w},
                      law_case{"melvar_neo_hookean", false, "0.5 1 1.0",
                               uniaxial(melvar::neo_hookean{1.0}, 1.5),
                               melvar::neo_hookean{1.0}.density(3.0, 3.0).w},
                      law_case{"melvar_mooney_rivlin", false, "0.5 2 0.4 0.1",
                               uniaxial(melvar::mooney_rivlin{0.4, 0.1}, 1.5),
                               melvar::mooney_rivlin{0.4, 0.1}.density(3.0, 3.0).w},
                      law_case{"melvar_arruda_boyce", false, "0.5 3 0.9 2.0",
                               uniaxial(boyce(), 1.5), boyce().density(3.0, 3.0).w}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
