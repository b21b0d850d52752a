// The chambers as an energy term: both programs' objectives with a chamber held by its volume
// and one filled with gas against central differences, the gas's energy and pressure in closed
// form, the chamber's Hessian (its triangles' blocks and its part of rank one) against central
// differences of its gradient, and the chambers a program refuses before it writes a file.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "sheet/energy/chambers.hpp"
#include "sheet/failure.hpp"
#include "sheet/solve/hessian_assembly.hpp"
#include "sheet/solve/hessian_pattern.hpp"
#include "support/gradient_check.hpp"
#include "support/input_text.hpp"
#include "support/objectives.hpp"
#include "support/pressurised_sheets.hpp"

namespace {

using pressurised_sheets::octant;
using pressurised_sheets::with_chamber;

// The melvar octant of the unit sphere (n = 3) with one chamber of control `control`, started,
// its unknowns moved off the sphere at random.
melvar::model started_octant(const std::string& control, unsigned seed) {
    melvar::model m = input_text::read_melvar(with_chamber(octant(3, 0.1), control));
    (void)melvar::program::start(m);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> shift(-0.05, 0.05);
    for (std::int32_t k = 1; k <= m.unknowns.x.last(); ++k) m.unknowns.x(k) = shift(random);
    return m;
}

TEST(chambers, objectives_agree_with_central_differences) {
    for (const std::string control : {"volume 0.3", "gas 0.02 0.4 1.4 0.1", "gas 0.02 0.4 1 0"})
        testing_support::check_gradient_by_differences(
            [&](bool dorvan) {
                dorvan_tests::problem sheet = octant(3, 0.1);
                sheet.material.constants = dorvan ? std::vector{1.0, 10.0} : std::vector{1.0};
                return with_chamber(sheet, control);
            },
            5, control, [](sheet::model&, auto&&, double) {});
}

// A gas's energy is -C ln(V + Ve) (n = 1) or -C (V + Ve)^(1 - n) / (1 - n), C = p_ref (V_ref +
// Ve)^n, and its pressure C / (V + Ve)^n; without the chamber the energy lacks just that.
TEST(chambers, a_gas_has_its_closed_form_energy_and_pressure) {
    struct gas {
        double p, reference, n, extra;
    };
    for (const gas a : {gas{0.02, 0.4, 1.4, 0.1}, gas{0.03, 0.7, 1.0, 0.0}}) {
        const std::string control = "gas " + dorvan_tests::exact(a.p) + " " +
                                    dorvan_tests::exact(a.reference) + " " +
                                    dorvan_tests::exact(a.n) + " " + dorvan_tests::exact(a.extra);
        melvar::model m = started_octant(control, 9);
        const sheet::assembly_plan plan(m);
        const sheet::load_state full;
        const sheet::term_point p{m.problem, plan, full, m.unknowns.x.view(1, m.unknowns.x.last())};
        const sheet::chambers chambers(m.problem, m.numbering, 1.0);
        const std::vector<sheet::chamber_reading> r = chambers.readings(p);
        ASSERT_EQ(r.size(), 1u);
        const double c = a.p * std::pow(a.reference + a.extra, a.n), w = r[0].volume + a.extra;
        EXPECT_NEAR(r[0].pressure, c / std::pow(w, a.n), 1.0E-15);
        const double energy =
            a.n == 1.0 ? -c * std::log(w) : -c * std::pow(w, 1.0 - a.n) / (1.0 - a.n);
        terms::real_vector g(1, m.unknowns.x.last());
        const double with =
            testing_support::melvar_objective(m, m.numbering.free_count, m.unknowns.x, g);
        m.problem.chambers.clear();
        const double without =
            testing_support::melvar_objective(m, m.numbering.free_count, m.unknowns.x, g);
        EXPECT_NEAR(with - without, energy, 1.0E-14) << control;
    }
}

// H v, from the chamber's element blocks assembled and its parts of low rank, against the
// central difference of its gradient along v; for a volume held with a multiplier moved off 0
// (so that both parts count) and for a gas.
TEST(chambers, hessian_agrees_with_central_differences_of_the_gradient) {
    for (const std::string control : {"volume 0.3", "gas 0.02 0.4 1.4 0.1"}) {
        melvar::model m = started_octant(control, 11);
        const sheet::assembly_plan plan(m);
        const sheet::load_state full;
        const std::int32_t n = m.numbering.free_count;
        const auto point = [&](const terms::real_vector& x) {
            return sheet::term_point{m.problem, plan, full, x.view(1, n)};
        };
        sheet::chambers chambers(m.problem, m.numbering, 1.0);
        chambers.update_multipliers(point(m.unknowns.x));
        const auto gradient = [&](const terms::real_vector& x) {
            std::vector<double> g(static_cast<std::size_t>(n), 0.0);
            double energy = 0.0;
            chambers.add_energy(point(x), g, energy);
            return g;
        };
        const sheet::term_point p = point(m.unknowns.x);
        const auto state = chambers.hessian(p);
        ASSERT_NE(state.pressure[0], 0.0);
        ASSERT_GT(state.stiffness[0], 0.0);
        const sheet::hessian_pattern pattern(plan.table(), plan.element_count(), n, n, 9);
        std::vector<double> buffer, values;
        sheet::assemble_hessian(
            pattern,
            [&](std::size_t at, double* packed) {
                std::fill(packed, packed + 45, -0.0);
                chambers.add_element_hessian(p, state, at, packed);
            },
            false, buffer, values);
        std::vector<sheet::low_rank_part> low;
        chambers.add_low_rank(p, state, low);
        ASSERT_EQ(low.size(), 1u);
        sheet::symmetric_matrix h = pattern.shape();
        h.value = values;
        std::vector<double> v(static_cast<std::size_t>(n)), hv(v.size());
        for (std::size_t i = 0; i < v.size(); ++i) v[i] = std::cos(0.7 * static_cast<double>(i));
        sheet::multiply(h, v, hv);
        double along = 0.0;
        for (std::size_t i = 0; i < v.size(); ++i) along += low[0].vector[i] * v[i];
        for (std::size_t i = 0; i < v.size(); ++i)
            hv[i] += low[0].coefficient * along * low[0].vector[i];
        const double step = 1.0E-6;
        terms::real_vector up(1, n), down(1, n);
        for (std::int32_t k = 1; k <= n; ++k) {
            up(k) = m.unknowns.x(k);
            down(k) = m.unknowns.x(k);
            up(k) += step * v[static_cast<std::size_t>(k - 1)];
            down(k) -= step * v[static_cast<std::size_t>(k - 1)];
        }
        const std::vector<double> g_up = gradient(up), g_down = gradient(down);
        double largest = 0.0;
        for (const double e : hv) largest = std::max(largest, std::fabs(e));
        for (std::size_t i = 0; i < v.size(); ++i)
            EXPECT_NEAR(hv[i], (g_up[i] - g_down[i]) / (2.0 * step), 1.0E-7 * largest)
                << control << ", entry " << i;
    }
}

// The failure that reading and starting melvar on text meets, or "".
std::string start_failure(const std::string& text) {
    try {
        melvar::model m = input_text::read_melvar(text);
        (void)melvar::program::start(m);
    } catch (const sheet::failure& failure) {
        return failure.what();
    }
    return "";
}

// What a program refuses when it starts, before any file: one line each.
TEST(chambers, that_enclose_no_volume_or_cannot_reach_theirs_are_refused) {
    struct refused {
        std::string control;
        bool open;  // the symmetry plane z = 0 left free
        std::string report;
    };
    const std::vector<refused> cases = {
        {"volume -1", false,
         "chamber 1: its change of volume -1 takes its volume from 0.44641 to -0.55359, which "
         "no sheet can reach (a volume must stay above 0)"},
        {"gas 0.1 1 1 -0.5", false,
         "chamber 1 holds gas but its volume at the start, 0.44641 with the extra volume -0.5, "
         "is not above 0 (do its triangles face outwards?)"},
        {"volume 0.5", true,
         "chamber 1 does not enclose a volume: node 1 (1, 0, 0) lies on an open edge of its "
         "triangles and is neither held in x, y and z nor held at 0 normal to a coordinate "
         "plane through the origin that holds its edge"},
    };
    for (const refused& c : cases) {
        dorvan_tests::problem sheet = octant(3, 0.1);
        if (c.open)
            std::erase_if(sheet.prescribed,
                          [](const dorvan_tests::component_line& s) { return s.direction == 3; });
        const std::string text = with_chamber(sheet, c.control);
        EXPECT_EQ(start_failure(text), c.report) << c.control;
    }
}

}  // namespace
