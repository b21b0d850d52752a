// The element routines over vector lanes give every element's energy, forces and thickness
// slope of the one-element routines to the bit, on every instruction set this CPU can run:
// random elements, blocks shorter than a vector, collapsed triangles, zero and negative
// thickness variables and non-finite unknowns, under each law and each relaxed law, whose
// elements there are taut, wrinkled and slack.
#include <gtest/gtest.h>

#include "support/laws.hpp"

#include <hwy/highway.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "dorvan/kinematics.hpp"
#include "dorvan/model_text.hpp"
#include "melvar/kinematics.hpp"
#include "melvar/sheet_models.hpp"
#include "sheet/assembly/assembly_plan.hpp"
#include "sheet/assembly/lane_choice.hpp"
#include "sheet/assembly/objective.hpp"

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Equal bits, or both NaN (the payload of a NaN may differ).
bool alike(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

// Runs check() once per instruction set that this CPU runs, with the kernels' choice limited
// to it.
template <class Check>
void on_every_target(Check&& check) {
    const std::int64_t runnable = sheet::runnable_lane_targets();
    for (std::int64_t left = runnable & HWY_TARGETS; left != 0; left &= left - 1) {
        const std::int64_t target = left & -left;
        sheet::lane_choice().Update(target);
        SCOPED_TRACE(hwy::TargetName(target));
        check();
    }
    sheet::lane_choice().Update(runnable);
}

// The blocks evaluated: all elements, blocks shorter than any vector, a single element and a
// block that ends one short of the last.
std::vector<std::pair<std::size_t, std::size_t>> blocks(std::size_t count) {
    return {{0, count}, {3, 6}, {5, 6}, {1, count - 1}, {8, 13}};
}

// Random and awkward geometry in the records: degenerate corners (one node for all three),
// a collapsed current triangle (zero edges on one node), zero and negative areas.
template <class Model>
void scramble(Model& m, dorvan_tests::random_reals& random) {
    for (std::int32_t e = m.geometry.first(); e <= m.geometry.last(); ++e) {
        sheet::element_geometry& r = m.geometry(e);
        r.area2 = random(0.05, 2.0);
        r.a_a = random(0.0, 2.0);
        r.a_b = random(-1.0, 1.0);
        r.b_b = random(0.0, 2.0);
        for (int c = 0; c < 3; ++c) {
            r.edge_a[c] = random(-1.0, 1.0);
            r.edge_b[c] = random(-1.0, 1.0);
        }
    }
    sheet::triangle& collapsed = m.problem.mesh.elements(4);
    collapsed.node[1] = collapsed.node[2] = collapsed.node[0];
    for (int c = 0; c < 3; ++c) m.geometry(4).edge_a[c] = m.geometry(4).edge_b[c] = 0.0;
    m.problem.mesh.elements(7).node[2] = m.problem.mesh.elements(7).node[1];
    m.geometry(9).area2 = 0.0;
    m.geometry(10).area2 = -0.7;
    m.geometry(11).a_b = infinity;
}

// Displacements: random, with an infinite and a NaN one.
void unknowns(terms::real_vector& x, std::int32_t count, dorvan_tests::random_reals& random) {
    for (std::int32_t k = 1; k <= count; ++k) x(k) = random(-0.1, 0.1);
    x(2) = infinity;
    x(13) = nan;
}

// The elements' states under a relaxed law, counted by tension_state over whole sheets.
using state_counts = std::array<int, 3>;

// Expects the block's energies and forces of the lanes to be those of one(at, record, u,
// forces), the one-element routine, which returns the energy.
template <class Model, class One>
void expect_one_element_results(const Model& m, const sheet::element_columns& table,
                                std::span<const double> xs, std::size_t begin, std::size_t end,
                                const std::vector<double>& energy,
                                const std::vector<double>& forces, One&& one) {
    for (std::size_t at = begin; at < end; ++at) {
        double u[3][3];
        for (int i = 0; i < 9; ++i)
            u[i / 3][i % 3] = sheet::corner_value(table.source(i)[at], xs.data(),
                                                  m.problem.supports.prescribed.all().data());
        sheet::element_forces want;
        const double e = one(at, m.geometry(static_cast<std::int32_t>(at) + 1), u, want);
        const std::string where = "element at " + std::to_string(at) + " in [" +
                                  std::to_string(begin) + ", " + std::to_string(end) + ")";
        EXPECT_TRUE(alike(energy[at - begin], e)) << where;
        for (int i = 0; i < 9; ++i)
            EXPECT_TRUE(alike(forces[9 * (at - begin) + i], want.row[i / 3][i % 3]))
                << where << ", force " << i;
    }
}

TEST(element_lanes, dorvan_lanes_give_the_one_element_results) {
    using namespace dorvan_tests;
    problem p;
    rectangle_mesh(p, 2.0, 1.0, 7, 3);  // 42 elements: no vector width divides 42 - 1
    dorvan::model m = started_model(p);
    random_reals random(3);
    scramble(m, random);
    terms::real_vector x(1, m.numbering.unknown_count);
    unknowns(x, m.numbering.free_count, random);
    const std::int32_t s = m.numbering.free_count;  // x(s + e): thickness variable of element e
    for (std::int32_t e = 1; e <= static_cast<std::int32_t>(m.problem.mesh.elements.size()); ++e)
        x(s + e) = random(0.5, 1.5);
    x(s + 1) = 0.0;
    x(s + 2) = -0.0;
    x(s + 3) = -1.2;
    x(s + 6) = infinity;
    x(s + 8) = nan;
    const auto xs = x.view(1, m.numbering.unknown_count);
    const std::size_t count = m.problem.mesh.elements.size();
    const sheet::element_columns table = sheet::element_columns_of(m);

    state_counts states{};
    for (const std::int32_t law : {1, 2, 3, 4}) {  // 3 and 4: 1 and 2 relaxed
        m.law = law % 2 == 1 ? dorvan::law{dorvan::neo_hookean{0.8, 3.0}}
                             : dorvan::law{dorvan::mooney_rivlin{0.4, 0.1, 5.0}};
        if (law > 2) m.law = sheet::relaxed_law(m.law);
        on_every_target([&] {
            for (const auto& [begin, end] : blocks(count)) {
                std::vector<double> energy(end - begin), forces(9 * (end - begin)),
                    slopes(count, 7.0);
                // The first and the last element of the block are evaluated for other calls,
                // which write their slopes.
                dorvan::evaluate_elements(
                    m, xs, m.problem.supports.prescribed.all().data(), begin, end,
                    {&table, energy.data(), forces.data(), begin + 1, end - 1}, slopes.data());
                SCOPED_TRACE("law " + std::to_string(law));
                expect_one_element_results(
                    m, table, xs, begin, end, energy, forces,
                    [&](std::size_t at, const sheet::element_geometry& r, const double(&u)[3][3],
                        sheet::element_forces& one) {
                        const dorvan::element_result want = testing_support::dorvan_element(
                            m, r, u, xs[m.numbering.free_count + at], one);
                        EXPECT_TRUE(at == begin || at == end - 1 ||
                                    alike(slopes[at], want.thickness_slope))
                            << at;
                        if (law > 2 && end == count)
                            ++states[static_cast<std::size_t>(want.tension.state)];
                        return want.strain_energy;
                    });
                // Nothing outside the block is written.
                for (std::size_t at = 0; at < count; ++at) {
                    if (at <= begin || at >= end - 1) {
                        ASSERT_EQ(slopes[at], 7.0) << at;
                    }
                }
            }
        });
    }
    for (const int n : states) EXPECT_GT(n, 0);
}

// A started melvar model of 2 columns x rows elements.
melvar::model melvar_grid(std::int32_t columns, std::int32_t rows) {
    using namespace melvar_testing;
    melvar::model m;
    m.problem.thickness = 0.3;
    neo_hookean(m, 1.0);
    tight_settings(m, 1.0E-6);
    make_grid(m, columns, rows, 0.5, 0.25);
    prescribe(m, 1, 1, 0.0);
    prescribe(m, 1, 2, 0.01);
    melvar::program::start(m);
    return m;
}

// Expects melvar's lanes to give the one-element results at x under each of laws (4 to 6: 1 to 3
// relaxed), counting the states of the relaxed laws' elements into states.
void expect_melvar_lanes_alike(melvar::model& m, const terms::real_vector& x,
                               std::initializer_list<std::int32_t> laws,
                               state_counts* states = nullptr) {
    using namespace melvar_testing;
    const auto xs = x.view(1, m.numbering.free_count);
    const std::size_t count = m.problem.mesh.elements.size();
    const sheet::element_columns table = sheet::element_columns_of(m);
    for (const std::int32_t law : laws) {
        if (law % 3 == 1) neo_hookean(m, 0.8);
        if (law % 3 == 2) mooney_rivlin(m, 0.4, 0.15);
        if (law % 3 == 0) arruda_boyce(m, 0.7, 2.5);
        if (law > 3) m.law = sheet::relaxed_law(m.law);
        on_every_target([&] {
            for (const auto& [begin, end] : blocks(count)) {
                std::vector<double> energy(end - begin), forces(9 * (end - begin));
                melvar::evaluate_elements(m, xs, m.problem.supports.prescribed.all().data(), begin,
                                          end, {&table, energy.data(), forces.data(), begin, end},
                                          nullptr);
                SCOPED_TRACE("law " + std::to_string(law));
                expect_one_element_results(
                    m, table, xs, begin, end, energy, forces,
                    [&](std::size_t, const sheet::element_geometry& r, const double(&u)[3][3],
                        sheet::element_forces& one) {
                        const melvar::element_result want =
                            testing_support::melvar_element(m, r, u, one);
                        if (states != nullptr && law > 3 && end == count)
                            ++(*states)[static_cast<std::size_t>(want.tension.state)];
                        return want.strain_energy;
                    });
            }
        });
    }
}

TEST(element_lanes, melvar_lanes_give_the_one_element_results) {
    melvar::model m = melvar_grid(3, 7);  // 42 elements
    dorvan_tests::random_reals random(9);
    scramble(m, random);
    terms::real_vector x(1, m.numbering.free_count);
    unknowns(x, m.numbering.free_count, random);
    state_counts states{};
    expect_melvar_lanes_alike(m, x, {1, 2, 3, 4, 5, 6}, &states);
    for (const int n : states) EXPECT_GT(n, 0);
}

// Flat elements whose out-of-plane edges and displacements are zeros of either sign: some force
// rows' i1 terms come out -0, which a trace_c2 term of +0 turns into +0.
TEST(element_lanes, melvar_lanes_keep_the_sign_of_zero_forces) {
    melvar::model m = melvar_grid(12, 12);
    dorvan_tests::random_reals random(21);
    const auto signed_zero = [&] { return random(-1.0, 1.0) < 0.0 ? -0.0 : 0.0; };
    for (std::int32_t e = m.geometry.first(); e <= m.geometry.last(); ++e) {
        sheet::element_geometry& r = m.geometry(e);
        for (int c = 0; c < 2; ++c) {
            r.edge_a[c] = random(-1.0, 1.0);
            r.edge_b[c] = random(-1.0, 1.0);
        }
        r.edge_a[2] = signed_zero();
        r.edge_b[2] = signed_zero();
        r.a_b = random(-1.0, 1.0);
    }
    terms::real_vector x(1, m.numbering.free_count);
    for (std::int32_t k = 1; k <= m.numbering.free_count; ++k) x(k) = random(-0.1, 0.1);
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i)
        if (m.numbering.dof_map(i, 3) <= m.numbering.free_count)
            x(m.numbering.dof_map(i, 3)) = signed_zero();
    expect_melvar_lanes_alike(m, x, {1, 3});
}

}  // namespace
