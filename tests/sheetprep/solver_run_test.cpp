// The examples from .geo to the solver: sheetprep writes input.txt, the solver ends Optimal with
// the console summary the example expects, and its support reactions balance the applied load.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "sheetprep_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using sheetprep_testing::run_sheetprep;

// Σ of each column of the support reaction table, the last table of output.txt.
std::array<double, 3> summed_reactions(const std::string& report) {
    const std::string heading = " Node           Force X           Force Y           Force Z";
    const std::size_t at = report.rfind(heading);
    if (at == std::string::npos) throw std::runtime_error("no reaction table");
    std::istringstream table(report.substr(at));
    std::string line;
    std::getline(table, line);  // heading
    std::getline(table, line);  // rule
    std::array<double, 3> total{0.0, 0.0, 0.0};
    int rows = 0;
    // Fixed columns: the node in 5, then 18 for each direction, blank where no reaction is
    // reported.
    while (std::getline(table, line) && line.size() > 5) {
        for (int j = 0; j < 3; ++j) {
            const std::size_t from = 5 + 18 * static_cast<std::size_t>(j);
            if (from >= line.size()) break;
            std::istringstream field(line.substr(from, 18));
            double force = 0.0;
            if (field >> force) total[j] += force;
        }
        ++rows;
    }
    if (rows == 0) throw std::runtime_error("empty reaction table");
    return total;
}

// The "summed load X .. Y .. Z .." line of sheetprep's summary.
std::array<double, 3> summed_load(const std::string& summary) {
    const std::size_t at = summary.find("summed load");
    std::istringstream line(summary.substr(at + 11));
    std::string axis;
    std::array<double, 3> total{};
    for (double& value : total) line >> axis >> value;
    return total;
}

struct example_case {
    const char* folder;
    const char* solver;
    const char* expected_console;
    double scale;  // the size of the forces: the applied load, or the pull at the held edge
};

class example_run : public ::testing::TestWithParam<example_case> {};

TEST_P(example_run, ends_optimal_with_reactions_balancing_the_load) {
    const example_case& c = GetParam();
    const fs::path folder = fs::path(EXAMPLES_DIR) / c.folder;
    scratch_dir dir;
    const run_result prepared =
        run_sheetprep({"-o", "input.txt", (folder / "problem.toml").string()}, dir.path());
    ASSERT_EQ(prepared.exit_status, 0) << prepared.err;
    EXPECT_EQ(prepared.err, "");

    const run_result solved =
        run_in(std::string(c.solver) == "dorvan" ? dorvan_exe() : melvar_exe(), dir.path());
    ASSERT_EQ(solved.exit_status, 0) << solved.err;
    EXPECT_EQ(solved.out, read_file(folder / c.expected_console));
    EXPECT_NE(solved.out.find("     Optimal"), std::string::npos);

    const std::array<double, 3> load = summed_load(prepared.out);
    const std::array<double, 3> reaction = summed_reactions(read_file(dir.path() / "output.txt"));
    for (int j = 0; j < 3; ++j)
        EXPECT_NEAR(reaction[j] + load[j], 0.0, 1e-3 * c.scale) << "direction " << j + 1;
}

INSTANTIATE_TEST_SUITE_P(examples, example_run,
                         ::testing::Values(
                             // p × area: 0.01 × π 10², less the corners the polygon cuts off.
                             example_case{"inflated-disc", "dorvan", "dorvan-stdout.txt", 3.14},
                             // No load: what holds the left edge pulls the right edge back.
                             example_case{"plate-with-hole", "melvar", "melvar-stdout.txt", 4.0}),
                         [](const auto& info) {
                             std::string name = info.param.folder;
                             for (char& ch : name)
                                 if (ch == '-') ch = '_';
                             return name;
                         });

}  // namespace
