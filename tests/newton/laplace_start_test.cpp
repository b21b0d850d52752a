// The start of Newton's path: the prescribed displacements extended over the sheet by the
// shift's Laplacian, one direction at a time, solving the whole system to round-off whether the
// supports hold each node in some directions only or in all three (one factor for all).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "melvar/program.hpp"
#include "sheet/assembly/assembly_plan.hpp"
#include "sheet/solve/hessian_assembly.hpp"
#include "sheet/solve/laplace_start.hpp"
#include "support/input_text.hpp"
#include "support/pressurised_sheets.hpp"

namespace {

// How far each coordinate plane's nodes move along its normal (x, y, z).
constexpr double move[3] = {0.1, 0.05, -0.08};

// The octant of the tests, the nodes of each coordinate plane moved along its normal; held in
// the component normal to their plane, or in all three (the others at 0).
melvar::model octant(bool all_three) {
    dorvan_tests::problem p = pressurised_sheets::octant(6, 0.01);
    std::vector<dorvan_tests::component_line> held;
    for (const auto& c : p.prescribed) {
        const double value = move[c.direction - 1];
        if (!all_three) {
            held.push_back({c.node, c.direction, value});
            continue;
        }
        for (int j = 1; j <= 3; ++j)
            if (std::none_of(held.begin(), held.end(),
                             [&](const auto& h) { return h.node == c.node && h.direction == j; }))
                held.push_back({c.node, j, j == c.direction ? value : 0.0});
    }
    p.prescribed = held;
    melvar::model m = input_text::read_melvar(dorvan_tests::input_text(p));
    (void)melvar::program::start(m);
    return m;
}

TEST(laplace_start, extends_the_prescribed_displacements_by_the_shifts_laplacian) {
    for (const bool all_three : {false, true}) {
        const melvar::model m = octant(all_three);
        const sheet::assembly_plan plan(m);
        const std::int32_t free = m.numbering.free_count;
        const sheet::hessian_pattern pattern(plan.table(), plan.element_count(), free, free, 9);
        const auto geometry = [&](std::size_t at) -> const sheet::element_geometry& {
            return m.geometry(m.problem.mesh.elements.first() + static_cast<std::int32_t>(at));
        };
        const double tension = 0.7;
        std::vector<double> buffer, values;
        sheet::assemble_hessian(
            pattern,
            [&](std::size_t at, double* packed) {
                sheet::tension_shift(geometry(at), tension, 9, packed);
            },
            false, buffer, values);
        std::vector<std::int32_t> direction(plan.component().size());
        for (std::size_t k = 0; k < direction.size(); ++k) direction[k] = plan.component()[k] % 3;
        const double* prescribed = m.problem.supports.prescribed.all().data();
        const auto u = sheet::harmonic_extension(pattern, sheet::sparse_values(values), direction,
                                                 geometry, tension, prescribed);
        ASSERT_TRUE(u.has_value()) << all_three;
        // S u + S_p u_p, by the elements' blocks, against S_p u_p alone
        std::vector<double> residual(static_cast<std::size_t>(free), 0.0),
            load(residual.size(), 0.0);
        double packed[sheet::packed_size(9)];
        for (std::size_t at = 0; at < pattern.elements(); ++at) {
            sheet::tension_shift(geometry(at), tension, 9, packed);
            for (int a = 0; a < 9; ++a) {
                const std::int32_t i = pattern.unknown(at, a);
                if (i < 0) continue;
                for (int c = 0; c < 9; ++c) {
                    const std::int32_t source = pattern.unknown(at, c);
                    const double entry = packed[a <= c ? sheet::packed_position(a, c)
                                                       : sheet::packed_position(c, a)];
                    const double value = sheet::corner_value(source, u->data(), prescribed);
                    residual[static_cast<std::size_t>(i)] += entry * value;
                    if (source < 0) load[static_cast<std::size_t>(i)] += entry * value;
                }
            }
        }
        double largest = 0.0, scale = 0.0;
        for (std::size_t i = 0; i < residual.size(); ++i) {
            largest = std::max(largest, std::abs(residual[i]));
            scale = std::max(scale, std::abs(load[i]));
        }
        EXPECT_GT(scale, 0.0);
        EXPECT_LT(largest, 1e-12 * scale) << all_three;
        // held in one direction by its own plane only, the components of a direction all move
        // with it (a constant is harmonic); held also by the planes that stay, they fall between
        for (std::size_t k = 0; k < direction.size(); ++k) {
            const double v = (*u)[k] / move[direction[k]];
            if (all_three)
                EXPECT_TRUE(v > 0.0 && v < 1.0) << v;
            else
                EXPECT_NEAR(v, 1.0, 1e-12);
        }
    }
}

}  // namespace
