// The objective of a large sheet, evaluated by two threads, gives the same energy and gradient
// to the bit as one thread alone: the sums are formed in element order either way.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dorvan/element.hpp"
#include "dorvan/objective.hpp"
#include "model_text.hpp"
#include "sheet/assembly/objective.hpp"
#include "sheet/failure.hpp"
#include "support/objectives.hpp"

namespace {

using namespace dorvan_tests;

// The objective through the shared frame, one element at a time, sharing the work from
// parallel_from elements on. The element at failing, when there is one, fails.
double evaluate(const dorvan::model& m, const terms::real_vector& x, terms::real_vector& g,
                std::size_t parallel_from, std::size_t failing = SIZE_MAX) {
    const std::int32_t free_count = m.numbering.free_count;
    const auto xs = x.view(1, m.numbering.unknown_count);
    const auto gs = g.view(1, m.numbering.unknown_count);
    const auto records = m.geometry.view(1, m.geometry.last());
    sheet::assembly_plan plan(m);
    return sheet::total_potential_energy_in_blocks(
        m, plan, xs, gs,
        [&](std::size_t begin, std::size_t end, const sheet::block_io& io) {
            for (std::size_t at = begin; at < end; ++at) {
                if (at == failing) throw sheet::failure("element " + std::to_string(at) + " fails");
                double u[3][3];
                for (int i = 0; i < 9; ++i)
                    u[i / 3][i % 3] =
                        sheet::corner_value(io.table->source(i)[at], xs.data(),
                                            m.problem.supports.prescribed.all().data());
                sheet::element_forces out;
                const auto result =
                    dorvan::element_state(m, records[at], u, xs[free_count + at], out);
                io.energy[at - begin] = result.strain_energy;
                std::memcpy(io.forces + 9 * (at - begin), out.row, sizeof out.row);
                if (at >= io.own_begin && at < io.own_end)
                    gs[free_count + at] = result.thickness_slope;
            }
        },
        {}, parallel_from);
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
    terms::real_vector x(1, m.numbering.unknown_count);
    for (std::int32_t k = 1; k <= m.numbering.unknown_count; ++k)
        x(k) = k <= m.numbering.free_count ? random(-0.05, 0.05) : random(0.9, 1.1);

    terms::real_vector alone(1, m.numbering.unknown_count), shared(1, m.numbering.unknown_count);
    const double f_alone = evaluate(m, x, alone, SIZE_MAX);
    for (const std::size_t from : {std::size_t{0}, std::size_t{1}}) {
        const double f_shared = evaluate(m, x, shared, from);
        EXPECT_TRUE(same_bits(f_alone, f_shared)) << f_alone << " " << f_shared;
        for (std::int32_t k = 1; k <= m.numbering.unknown_count; ++k)
            ASSERT_TRUE(same_bits(alone(k), shared(k))) << "entry " << k;
    }
    // And the program's own objective agrees with both.
    terms::real_vector program(1, m.numbering.unknown_count);
    EXPECT_TRUE(same_bits(
        f_alone, testing_support::dorvan_objective(m, m.numbering.unknown_count, x, program)));
}

TEST(objective_threads, an_element_failure_on_either_thread_ends_the_evaluation) {
    problem p;
    rectangle_mesh(p, 1.0, 1.0, 40, 40);
    p.material.law = 2;
    p.material.constants = {0.4, 0.1, 5.0};
    dorvan::model m = started_model(p);
    terms::real_vector g(1, m.numbering.unknown_count);
    // One element late in the sheet, and every element: the first failure reaches the caller.
    EXPECT_THROW(evaluate(m, m.unknowns.x, g, 0, 3000), sheet::failure);
    for (std::size_t at = 0; at < m.problem.mesh.elements.size(); at += 997)
        EXPECT_THROW(evaluate(m, m.unknowns.x, g, 0, at), sheet::failure) << at;
}

}  // namespace
