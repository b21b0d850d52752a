// The objective of a large sheet, evaluated by two threads, gives the same energy and gradient
// to the bit as one thread alone: the sums are formed in element order either way.
#include <gtest/gtest.h>

#include "support/laws.hpp"

#include <cstring>
#include <string>

#include "dorvan/kinematics.hpp"
#include "dorvan/program.hpp"
#include "model_text.hpp"
#include "sheet/energy/terms.hpp"
#include "sheet/energy/total.hpp"
#include "sheet/failure.hpp"
#include "support/objectives.hpp"

namespace {

using namespace dorvan_tests;

// The elements of m evaluated one at a time, the element at failing (when there is one) failing:
// the energy's elements term as the frame calls it.
struct one_at_a_time {
    const dorvan::model& m;
    std::size_t failing;

    auto block_evaluator(const sheet::term_point& p, std::span<double> gs) const {
        return [this, &p, gs](std::size_t begin, std::size_t end, const sheet::block_io& io) {
            const std::int32_t free_count = m.numbering.free_count;
            for (std::size_t at = begin; at < end; ++at) {
                if (at == failing) throw sheet::failure("element " + std::to_string(at) + " fails");
                double u[3][3];
                for (int i = 0; i < 9; ++i)
                    u[i / 3][i % 3] =
                        sheet::corner_value(io.table->source(i)[at], p.xs.data(), p.prescribed());
                sheet::element_forces out;
                const auto result = testing_support::dorvan_element(
                    m, m.geometry(static_cast<std::int32_t>(at) + 1), u,
                    p.xs[static_cast<std::size_t>(free_count) + at], out);
                io.energy[at - begin] = result.strain_energy;
                std::memcpy(io.forces + 9 * (at - begin), out.row, sizeof out.row);
                if (at >= io.own_begin && at < io.own_end)
                    gs[static_cast<std::size_t>(free_count) + at] = result.thickness_slope;
            }
        };
    }
    bool present(const sheet::term_point&) const { return true; }
    void add_energy(const sheet::term_point& p, std::span<double> gs, double& energy) const {
        const std::size_t count = p.plan.element_count();
        auto evaluate = block_evaluator(p, gs);
        sheet::detail::assemble_run({0, p.plan.free_count(), 0, count, 0, count}, p.plan, {}, gs,
                                    evaluate, [&](std::size_t, double e) { energy = energy + e; });
    }
    void add_element_hessian(const sheet::term_point&, std::size_t, double*) const {}
    bool admissible(const sheet::term_point&, const sheet::term_point&) const { return true; }
    void add_forces(const sheet::term_point&, terms::real_matrix&) const {}
    void add_fields(const sheet::term_point&, std::vector<sheet::field_value>&) const {}
};

// The total energy through the shared frame, the elements one at a time, sharing the work from
// parallel_from elements on.
double evaluate(const dorvan::model& m, const terms::real_vector& x, terms::real_vector& g,
                std::size_t parallel_from, std::size_t failing = SIZE_MAX) {
    sheet::assembly_plan plan(m);
    const sheet::energy_terms<one_at_a_time> terms{{}, {m, failing}, {}};
    const sheet::load_state full;
    const sheet::term_point p{m.problem, plan, full, x.view(1, m.numbering.unknown_count)};
    return sheet::total_energy(terms, plan, p, g.view(1, m.numbering.unknown_count), {},
                               parallel_from);
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
