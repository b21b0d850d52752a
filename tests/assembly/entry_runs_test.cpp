// The runs of gradient entries that threads share out: their entries and their owned elements
// each cut the whole in order, and every element that reaches a run's entries is evaluated by
// that run, whatever the element order and however many runs there are.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "melvar/program.hpp"
#include "melvar/sheet_models.hpp"
#include "sheet/assembly/assembly_plan.hpp"

namespace {

struct sheet_case {
    const char* name;
    bool shuffled;      // elements in random order
    bool held_bottom;   // every component of the bottom row prescribed
    int columns, rows;  // 2 columns x rows elements
};

const sheet_case sheets[] = {
    {"rows", false, false, 12, 9},
    {"shuffled", true, false, 12, 9},
    {"held_bottom_row", false, true, 12, 9},
    {"fewer_entries_than_runs", false, true, 1, 1},
};

void PrintTo(const sheet_case& c, std::ostream* out) {
    *out << c.name;
}

class entry_runs : public testing::TestWithParam<sheet_case> {};

TEST_P(entry_runs, cut_the_entries_and_the_elements_and_reach_every_element) {
    using namespace melvar_testing;
    const sheet_case& c = GetParam();
    melvar::model m;
    m.problem.thickness = 0.1;
    neo_hookean(m, 1.0);
    tight_settings(m, 1.0E-6);
    make_grid(m, c.columns, c.rows, 0.1, 0.1);
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i) {
        if (c.held_bottom && m.problem.mesh.node_y(i) == 0.0)
            for (std::int32_t j = 1; j <= 3; ++j) prescribe(m, i, j, 0.0);
        if (m.problem.mesh.node_x(i) == 0.0) prescribe(m, i, 1, 0.0);
    }
    if (c.shuffled) {
        std::mt19937 random(7);
        std::shuffle(&m.problem.mesh.elements(1),
                     &m.problem.mesh.elements(1) + m.problem.mesh.elements.size(), random);
    }
    melvar::program::start(m);
    const sheet::element_columns table = sheet::element_columns_of(m);
    const std::size_t elements = m.problem.mesh.elements.size();

    for (const auto& [width, rounds] :
         {std::pair<std::size_t, std::size_t>{1, 1}, {2, 1}, {5, 1}, {2, 4}, {3, 4}}) {
        const std::size_t count = width * rounds;
        const std::vector<sheet::entry_run> runs = sheet::entry_runs(
            table, m.problem.mesh.elements.size(), m.numbering.free_count, width, rounds);
        ASSERT_EQ(runs.size(), count);
        std::int32_t entry = 0;
        std::size_t owned = 0;
        for (const sheet::entry_run& run : runs) {
            EXPECT_EQ(run.entry_begin, entry);
            EXPECT_EQ(run.own_begin, owned);
            entry = run.entry_end;
            owned = run.own_end;
            EXPECT_LE(run.begin, run.own_begin);
            EXPECT_GE(run.end, run.own_end);
            for (std::size_t e = 0; e < elements; ++e)
                for (int i = 0; i < 9; ++i) {
                    const std::int32_t k = table.source(i)[e];
                    if (k >= run.entry_begin && k < run.entry_end) {
                        EXPECT_TRUE(e >= run.begin && e < run.end)
                            << count << " runs: element " << e << " reaches entry " << k;
                    }
                }
        }
        EXPECT_EQ(entry, m.numbering.free_count);
        // Each round's runs are about half the size of the round's before.
        const auto size = [&](std::size_t r) { return runs[r].entry_end - runs[r].entry_begin; };
        if (rounds > 1 && c.columns > 1) {
            EXPECT_LT(size(count - 1), size(0) / 4);
        }
        EXPECT_EQ(owned, elements);
        // On a sheet numbered row by row, two runs meet on at most two rows of elements.
        if (width == 2 && rounds == 1 && !c.shuffled) {
            EXPECT_LE(sheet::evaluated_elements(runs), elements + 4 * c.columns);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(sheets, entry_runs, testing::ValuesIn(sheets),
                         [](const testing::TestParamInfo<sheet_case>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
