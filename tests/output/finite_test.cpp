// A solved model made in memory with one value that is not a number: the check before the
// console summary and each writer refuse it, naming the value and where it is, and the older
// file of that name stays.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <limits>
#include <string>

#include "dorvan/program.hpp"
#include "output/hand_model.hpp"
#include "sheet/output/autocad.hpp"
#include "sheet/output/finite.hpp"
#include "sheet/output/vtu.hpp"
#include "support/program_run.hpp"

namespace {

using namespace writers_test;
using testing_support::read_file;
using testing_support::write_file;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

struct corrupt_case {
    const char* name;
    void (*corrupt)(dorvan::model& m);
    const char* file;  // the writer's file; empty for the check before the summary
    const char* what;
};

class not_finite : public ::testing::TestWithParam<corrupt_case> {};

// Two triangles, nodes 1 and 2 held, node 4 pulled in Y; x as start leaves it, the final state
// found there.
TEST_P(not_finite, is_refused_and_names_the_value) {
    const corrupt_case& c = GetParam();
    dorvan::model m;
    fill(m, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{1, 2, 3}, {2, 4, 3}},
         {{1, 1, 0}, {1, 2, 0}, {1, 3, 0}, {2, 1, 0}, {2, 2, 0}, {2, 3, 0}}, {{4, 2, 0.1}});
    m.law = dorvan::neo_hookean{1.0, 100.0};
    dorvan::program::start(m);
    dorvan::program::find_final_state(m);
    c.corrupt(m);
    testing_support::scratch_dir dir;
    working_directory here(dir.path());
    const std::string file = c.file;
    if (!file.empty()) write_file(file, "older\r\n");
    try {
        if (file.empty()) sheet::require_finite_solution(m);
        if (file == "autocad.scr") sheet::autocad(m);
        if (file == "output.txt") dorvan::program::output(m);
        if (file == "r.vtu") sheet::vtu(file, m, {});
        ADD_FAILURE() << "nothing refused " << c.what;
    } catch (const sheet::failure& refused) {
        const std::string expected = "the solution is not finite: " + std::string(c.what) + "; ";
        EXPECT_EQ(std::string(refused.what()).substr(0, expected.size()), expected);
    }
    // The older file alone is there: no temporary is left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), file.empty() ? 0 : 1);
    if (!file.empty()) {
        EXPECT_EQ(read_file(file), "older\r\n");
    }
}

INSTANTIATE_TEST_SUITE_P(
    values, not_finite,
    ::testing::Values(
        corrupt_case{"displacement",
                     [](dorvan::model& m) { m.unknowns.x(m.numbering.dof_map(3, 2)) = nan; }, "",
                     "the displacement of node 3 in Y is NaN"},
        corrupt_case{"thickness_variable",
                     [](dorvan::model& m) { m.unknowns.x(m.numbering.free_count + 2) = -inf; }, "",
                     "the thickness variable of element 2 is infinite"},
        corrupt_case{"energy", [](dorvan::model& m) { m.results.energy = nan; }, "output.txt",
                     "the total potential energy is NaN"},
        corrupt_case{"deformed_position",
                     [](dorvan::model& m) {
                         m.problem.mesh.node_x(4) = 1.5E308;
                         m.results.displacements(4, 1) = 1.5E308;
                     },
                     "autocad.scr", "the deformed position of node 4 in X is infinite"},
        corrupt_case{"stress", [](dorvan::model& m) { m.results.rows[1].stress.sigma2 = nan; },
                     "output.txt", "sigma2 of element 2 is NaN"},
        corrupt_case{"reaction", [](dorvan::model& m) { m.results.reactions(2, 3) = nan; },
                     "output.txt", "the reaction of node 2 in Z is NaN"},
        corrupt_case{"direction",
                     [](dorvan::model& m) { m.results.rows[1].deformation.direction2[2] = nan; },
                     "r.vtu", "direction2 of element 2 (component 3) is NaN"},
        // Finite stresses whose von Mises stress overflows.
        corrupt_case{"von_mises", [](dorvan::model& m) { m.results.rows[0].stress.sigma1 = 1E200; },
                     "r.vtu", "von_mises of element 1 is infinite"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
