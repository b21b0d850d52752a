// The relaxed energy of every law by its in-plane invariants: the natural width against the
// closed forms of uniaxial tension (lambda^(-1/2) for any incompressible law; the lateral
// stretch of the textbook compressible energies), the state of each region, its slopes and
// curvatures against central differences of its own energy and slopes, in all three states and
// across their boundaries, where the energy and its slopes meet.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>

#include "dorvan/kinematics.hpp"
#include "dorvan/plane_stress.hpp"
#include "melvar/kinematics.hpp"
#include "support/laws.hpp"

namespace {

using sheet::tension_state;

// One law of either program, relaxed: its density by (a, b, c) = (lambda1^2, lambda2^2, C33)
// through the program's own stretch density, and the relaxation at (tr, det, c).
struct law_case {
    std::string name;
    bool compressible;
    std::function<double(double, double, double)> density;
    std::function<sheet::relaxed_density(double, double, double)> relax;
};

template <class Law>
law_case dorvan_case(const std::string& name, Law law) {
    return {
        name, true,
        [law](double a, double b, double c) { return dorvan::stretch_density<Law>{law}(a, b, c); },
        [law](double tr, double det, double c) {
            return sheet::relax<3>(dorvan::stretch_density<Law>{law}, tr, det, c);
        }};
}
template <class Law>
law_case melvar_case(const std::string& name, Law law) {
    return {
        name, false,
        [law](double a, double b, double c) { return melvar::stretch_density<Law>{law}(a, b, c); },
        [law](double tr, double det, double c) {
            return sheet::relax<2>(melvar::stretch_density<Law>{law}, tr, det, c);
        }};
}

std::vector<law_case> every_law() {
    melvar::arruda_boyce boyce{0.9, 2.0, {}};
    boyce.derive();
    return {dorvan_case("dorvan neo-Hookean", dorvan::neo_hookean{1.0, 4.0}),
            dorvan_case("dorvan Mooney-Rivlin", dorvan::mooney_rivlin{0.4, 0.1, 5.0}),
            melvar_case("melvar neo-Hookean", melvar::neo_hookean{1.0}),
            melvar_case("melvar Mooney-Rivlin", melvar::mooney_rivlin{0.4, 0.1}),
            melvar_case("melvar Arruda-Boyce", boyce)};
}

// The relaxed density at principal (a, b) and c, taut included (the law's own there).
double relaxed_w(const law_case& l, double tr, double det, double c) {
    const sheet::relaxed_density d = l.relax(tr, det, c);
    if (d.state != tension_state::taut) return d.w;
    return l.density(d.major, d.minor, c);
}

struct invariants {
    double tr, det;
};
invariants of(double a, double b) {
    return {a + b, a * b};
}

TEST(natural_width, of_an_incompressible_law_is_the_root_of_lambda1) {
    for (const law_case& l : every_law()) {
        if (l.compressible) continue;
        for (const double stretch : {1.05, 1.5, 2.0, 3.0}) {
            const double a = stretch * stretch;
            const invariants x = of(a, 0.25 / stretch);
            const sheet::relaxed_density d = l.relax(x.tr, x.det, 0.0);
            ASSERT_EQ(d.state, tension_state::wrinkled) << l.name << " at " << stretch;
            EXPECT_NEAR(d.natural, 1.0 / stretch, 1e-14) << l.name << " at " << stretch;
        }
    }
}

// With C33 at the lateral stretch of uniaxial tension of the textbook energy, the natural width
// is that stretch too: both transverse stresses vanish there.
TEST(natural_width, of_a_compressible_law_is_the_lateral_stretch_of_uniaxial_tension) {
    using namespace dorvan_tests;
    const std::pair<compressible_law, law_case> laws[] = {
        {compressible_law::neo_hookean(1.0, 4.0), every_law()[0]},
        {compressible_law::mooney_rivlin(0.4, 0.1, 5.0), every_law()[1]}};
    for (const auto& [textbook, l] : laws)
        for (const double stretch : {1.05, 1.5, 2.5}) {
            const double lateral = bisect(
                [&](double t) {
                    return cauchy_stresses(textbook, {stretch, t, t})[1];
                },
                1e-3, 10.0);
            const double a = stretch * stretch;
            const invariants x = of(a, 0.5 * lateral * lateral);
            const sheet::relaxed_density d = l.relax(x.tr, x.det, lateral * lateral);
            ASSERT_EQ(d.state, tension_state::wrinkled) << l.name << " at " << stretch;
            EXPECT_NEAR(d.natural, lateral * lateral, 1e-13) << l.name << " at " << stretch;
            // sigma1 of the material: that of uniaxial tension
            const double j = stretch * lateral * lateral;
            EXPECT_NEAR(2.0 * a * d.major_slope / j,
                        cauchy_stresses(textbook, {stretch, lateral, lateral})[0],
                        1e-12 * (1.0 + std::abs(d.major_slope)))
                << l.name << " at " << stretch;
        }
}

// Each law's states: stretched both ways taut, stretched one way and narrowed wrinkled, shorter
// both ways slack with the energy at rest (melvar's natural state is lambda = 1, and so is
// dorvan's at C33 = 1).
TEST(relaxed_density, tells_taut_wrinkled_and_slack_apart) {
    for (const law_case& l : every_law()) {
        const invariants taut = of(1.44, 1.1), wrinkled = of(2.25, 0.36), slack = of(0.81, 0.64);
        EXPECT_EQ(l.relax(taut.tr, taut.det, 1.0).state, tension_state::taut) << l.name;
        EXPECT_EQ(l.relax(wrinkled.tr, wrinkled.det, 1.0).state, tension_state::wrinkled) << l.name;
        const sheet::relaxed_density d = l.relax(slack.tr, slack.det, 1.0);
        ASSERT_EQ(d.state, tension_state::slack) << l.name;
        EXPECT_NEAR(d.natural, 1.0, 1e-14) << l.name;
        EXPECT_NEAR(d.w, l.density(1.0, 1.0, 1.0), 1e-14 * std::abs(d.w)) << l.name;
        EXPECT_EQ(d.slope[0], 0.0) << l.name;
        EXPECT_EQ(d.slope[1], 0.0) << l.name;
        EXPECT_NEAR(d.slope[2], 0.0, 1e-13) << l.name;  // at rest in C33 too
    }
}

// Central differences of the relaxed energy (taut: the law's) by tr, det and c against its
// slopes, and of the slopes against its curvatures, with steps h relative to each variable.
void check_derivatives(const law_case& l, double tr, double det, double c, const std::string& at,
                       double relative_step = 1e-6) {
    const sheet::relaxed_density d = l.relax(tr, det, c);
    ASSERT_NE(d.state, tension_state::taut) << at;
    const double x0[3] = {tr, det, c};
    const int variables = l.compressible ? 3 : 2;
    double scale = 0.0;
    for (const double s : d.slope) scale = std::max(scale, std::abs(s));
    for (int i = 0; i < variables; ++i) {
        const double h = relative_step * std::abs(x0[i]);
        double up[3] = {tr, det, c}, down[3] = {tr, det, c};
        up[i] += h;
        down[i] -= h;
        const double slope =
            (relaxed_w(l, up[0], up[1], up[2]) - relaxed_w(l, down[0], down[1], down[2])) /
            (2.0 * h);
        // the differences' truncation, and the rounding of the energies they subtract
        const double noise = 2e-15 * (std::abs(relaxed_w(l, tr, det, c)) + 1.0) / h;
        EXPECT_NEAR(d.slope[i], slope, 1e-7 * scale + noise) << at << ": slope " << i;
        const sheet::relaxed_density du = l.relax(up[0], up[1], up[2]);
        const sheet::relaxed_density dd = l.relax(down[0], down[1], down[2]);
        if (du.state != d.state || dd.state != d.state) continue;  // curvature jumps there
        for (int j = 0; j < variables; ++j) {
            const double curvature = (du.slope[j] - dd.slope[j]) / (2.0 * h);
            EXPECT_NEAR(d.curvature[j][i], curvature, 1e-6 * (std::abs(curvature) + scale))
                << at << ": curvature " << j << ", " << i;
        }
    }
}

TEST(relaxed_density, slopes_and_curvatures_agree_with_differences_of_the_energy) {
    for (const law_case& l : every_law())
        for (const double c : {1.0, 0.7, 1.2}) {
            if (!l.compressible && c != 1.0) continue;
            const std::string at = l.name + " at C33 " + std::to_string(c);
            const invariants wrinkled[] = {of(2.25, 0.25), of(1.21, 0.3), of(4.0, 0.1)};
            for (const invariants& x : wrinkled) check_derivatives(l, x.tr, x.det, c, at);
            const invariants slack = of(0.5, 0.4);
            check_derivatives(l, slack.tr, slack.det, c, at + " slack");
        }
}

// Across the taut / wrinkled boundary b = bbar(a) and the wrinkled / slack one a = a*(c) the
// energy and its slopes are continuous: one step either side agree to first order, and the
// slopes hold just inside each region (differences that stay on one side).
TEST(relaxed_density, is_continuous_with_its_slopes_across_the_boundaries) {
    for (const law_case& l : every_law())
        for (const double c : {1.0, 0.8}) {
            if (!l.compressible && c != 1.0) continue;
            const std::string name = l.name + " at C33 " + std::to_string(c);
            const double a = 1.7;
            const invariants inside = of(a, 0.5);
            const double bbar = l.relax(inside.tr, inside.det, c).natural;
            const double step = 1e-5;
            const invariants below = of(a, bbar * (1.0 - step)), above = of(a, bbar * (1.0 + step));
            const sheet::relaxed_density w = l.relax(below.tr, below.det, c);
            ASSERT_EQ(w.state, tension_state::wrinkled) << name;
            ASSERT_EQ(l.relax(above.tr, above.det, c).state, tension_state::taut) << name;
            EXPECT_NEAR(relaxed_w(l, below.tr, below.det, c), relaxed_w(l, above.tr, above.det, c),
                        1e-4 * step * std::abs(w.w))
                << name;
            check_derivatives(l, below.tr, below.det, c, name + " below bbar", 1e-8);

            // the natural state at this C33: where the uniaxial stress vanishes
            const invariants slack = of(0.5, 0.4);
            const double rest = l.relax(slack.tr, slack.det, c).natural;
            const invariants before = of(rest * (1.0 - step), 0.5 * rest);
            const invariants after = of(rest * (1.0 + step), 0.5 * rest);
            ASSERT_EQ(l.relax(before.tr, before.det, c).state, tension_state::slack) << name;
            ASSERT_EQ(l.relax(after.tr, after.det, c).state, tension_state::wrinkled) << name;
            // the slope vanishes there too: the energies part by the square of the step
            EXPECT_NEAR(relaxed_w(l, before.tr, before.det, c),
                        relaxed_w(l, after.tr, after.det, c),
                        4.0 * step * step * (std::abs(w.w) + 1.0))
                << name;
            check_derivatives(l, after.tr, after.det, c, name + " past the natural state", 1e-8);
            check_derivatives(l, before.tr, before.det, c, name + " short of it", 1e-8);
        }
}

// A state that is no number, or a triangle without area, is left to the law's own formulas.
TEST(relaxed_density, leaves_degenerate_states_to_the_law) {
    for (const law_case& l : every_law()) {
        EXPECT_EQ(l.relax(2.0, 0.0, 1.0).state, tension_state::taut) << l.name;
        EXPECT_EQ(l.relax(std::nan(""), 1.0, 1.0).state, tension_state::taut) << l.name;
        EXPECT_EQ(l.relax(2.0, 0.5, std::nan("")).state, tension_state::taut) << l.name;
    }
}

}  // namespace
