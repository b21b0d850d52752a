// The objective of a large sheet, evaluated by two threads, gives the same energy and gradient
// to the bit as one thread alone: the sums are formed in element order either way.
#include <gtest/gtest.h>

#include <cstring>

#include "dorvan/element.hpp"
#include "dorvan/objective.hpp"
#include "model_text.hpp"
#include "sheet/failure.hpp"
#include "sheet/objective.hpp"

namespace {

using namespace dorvan_tests;

double evaluate(const dorvan::model& m, const terms::fmat1& x, terms::fmat1& g,
                std::size_t parallel_from) {
    const std::int32_t free_count = m.free_count;
    const auto xs = x.view(1, m.unknown_count);
    const auto gs = g.view(1, m.unknown_count);
    return sheet::total_potential_energy(
        m, xs, gs,
        [&](std::int32_t e, const sheet::element& r, const double(&u)[3][3],
            sheet::element_output& out) {
            const auto result = dorvan::element_state(m, r, u, xs[free_count + e - 1], out.forces);
            out.energy = result.strain_energy;
            out.own_entry = result.thickness_slope;
        },
        [&](std::int32_t e, double slope) { gs[free_count + e - 1] = slope; }, parallel_from);
}

bool same_bits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(objective_threads, two_threads_give_the_sums_of_one_to_the_bit) {
    problem p;
    rectangle_mesh(p, 3.0, 2.0, 61, 37);  // 4514 elements: 9 blocks and a partial one
    for (const node_line& n : p.nodes) {
        if (n.x == 0.0) p.prescribed.push_back({n.number, 1, 0.0});
        p.prescribed.push_back({n.number, 3, 0.0});
        p.loads.push_back({n.number, 2, 1.0E-3});
    }
    const dorvan::model m = started_model(p);
    random_reals random(7);
    terms::fmat1 x(1, m.unknown_count);
    for (std::int32_t k = 1; k <= m.unknown_count; ++k)
        x(k) = k <= m.free_count ? random(-0.05, 0.05) : random(0.9, 1.1);

    terms::fmat1 alone(1, m.unknown_count), shared(1, m.unknown_count);
    const double f_alone = evaluate(m, x, alone, SIZE_MAX);
    for (const std::size_t from : {std::size_t{0}, std::size_t{1}}) {
        const double f_shared = evaluate(m, x, shared, from);
        EXPECT_TRUE(same_bits(f_alone, f_shared)) << f_alone << " " << f_shared;
        for (std::int32_t k = 1; k <= m.unknown_count; ++k)
            ASSERT_TRUE(same_bits(alone(k), shared(k))) << "entry " << k;
    }
    // And the program's own objective agrees with both.
    terms::fmat1 program(1, m.unknown_count);
    EXPECT_TRUE(same_bits(f_alone, dorvan::objective(m, m.unknown_count, x, program)));
}

TEST(objective_threads, an_element_failure_on_either_thread_ends_the_evaluation) {
    problem p;
    rectangle_mesh(p, 1.0, 1.0, 40, 40);
    p.material.law = 2;
    p.material.constants = {0.4, 0.1, 5.0};
    dorvan::model m = started_model(p);
    m.material = 9;  // no law: every element fails
    terms::fmat1 g(1, m.unknown_count);
    EXPECT_THROW(evaluate(m, m.x, g, 0), sheet::failure);
}

}  // namespace
