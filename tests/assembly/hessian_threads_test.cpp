// The Newton matrix of a sheet above the threads threshold, its element Hessians projected, is
// the same to the bit for 1, 2, 3 and 8 workers, on the calling thread alone and for any batch of
// elements, and equal to the sums formed element after element in ascending order into each
// entry, found by its row and column.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "dorvan/model_text.hpp"
#include "melvar/program.hpp"
#include "melvar/sheet_models.hpp"
#include "sheet/assembly/worker_pool.hpp"
#include "sheet/solve/hessian_assembly.hpp"
#include "sheet/solve/hessian_pattern.hpp"
#include "support/objectives.hpp"

namespace {

TEST(hessian_threads, the_matrix_is_the_same_for_every_worker_count) {
    using namespace melvar_testing;
    melvar::model m;
    m.problem.thickness = 0.2;
    neo_hookean(m, 0.7);
    tight_settings(m, 1.0E-6);
    make_grid(m, 61, 70, 0.05, 0.04);  // 8540 elements
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i)
        if (m.problem.mesh.node_x(i) == 0.0)
            for (std::int32_t j = 1; j <= 3; ++j) prescribe(m, i, j, 0.0);
    auto s = melvar::program::start(m);
    ASSERT_GE(m.problem.mesh.elements.size(), sheet::threads_from);
    const std::int32_t n = m.numbering.free_count;
    dorvan_tests::random_reals random(7);
    for (std::int32_t k = 1; k <= n; ++k) m.unknowns.x(k) = random(-0.01, 0.01);
    const sheet::load_state full;
    const sheet::term_point p{m.problem, s.plan, full, m.unknowns.x.view(1, n)};
    const auto states = s.terms.hessian_states(p);
    const auto element = [&](std::size_t at, double* packed) {
        std::fill(packed, packed + sheet::packed_size(9), -0.0);
        s.terms.add_element_hessian(p, states, at, packed);
    };
    const sheet::hessian_pattern pattern(s.plan.table(), s.plan.element_count(), n, n, 9);
    const sheet::symmetric_matrix& shape = pattern.shape();

    // one thread, one element after another, each entry found by its row in its column
    std::vector<double> reference(shape.stored(), 0.0);
    std::size_t projected = 0;
    for (std::size_t at = 0; at < pattern.elements(); ++at) {
        double packed[sheet::packed_size(9)], before[sheet::packed_size(9)];
        element(at, packed);
        std::copy(packed, packed + sheet::packed_size(9), before);
        bool free[9];
        for (int a = 0; a < 9; ++a) free[a] = pattern.unknown(at, a) >= 0;
        sheet::project_to_nonnegative(packed, 9, free);
        projected += std::equal(packed, packed + sheet::packed_size(9), before) ? 0 : 1;
        for (int b = 0; b < 9; ++b)
            for (int a = 0; a < 9; ++a) {
                const std::int32_t i = pattern.unknown(at, a), j = pattern.unknown(at, b);
                if (i < 0 || j < 0 || i > j) continue;
                const auto* first = shape.row.data() + shape.column_start[j];
                const auto* last = shape.row.data() + shape.column_start[j + 1];
                const auto* found = std::lower_bound(first, last, i);
                ASSERT_TRUE(found != last && *found == i) << i << ", " << j;
                double& entry = reference[static_cast<std::size_t>(found - shape.row.data())];
                entry =
                    entry +
                    packed[a <= b ? sheet::packed_position(a, b) : sheet::packed_position(b, a)];
            }
    }
    EXPECT_GT(projected, 0u) << "no element Hessian was indefinite: the projection went untried";

    const int before = sheet::worker_count();
    for (const int count : {1, 2, 3, 8})
        for (const std::size_t batch : {sheet::detail::hessian_batch, std::size_t{1000},
                                        std::size_t{300}}) {  // the whole sheet, 9 and 29 batches
            sheet::set_worker_count(count);
            std::vector<double> buffer, values;
            sheet::assemble_hessian(pattern, element, true, buffer, values, batch);
            ASSERT_EQ(values.size(), reference.size());
            EXPECT_EQ(std::memcmp(values.data(), reference.data(), values.size() * sizeof(double)),
                      0)
                << count << " workers, batches of " << batch;
        }
    sheet::set_worker_count(before);
    // on the calling thread alone, as from inside a task of the workers
    std::vector<double> buffer, values;
    sheet::assemble_hessian(pattern, element, true, buffer, values, 1000, false);
    EXPECT_EQ(std::memcmp(values.data(), reference.data(), values.size() * sizeof(double)), 0);
}

}  // namespace
