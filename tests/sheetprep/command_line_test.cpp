// The command line: usage errors (exit 2, nothing read or written), --help and --version, where
// input.txt goes, the summary, and the warning for a thin dorvan sheet.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "sheetprep_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using sheetprep_testing::run_sheetprep;

std::string square_problem(const std::string& program, const std::string& sheet) {
    return "program = \"" + program + "\"\nmesh = \"square.msh\"\n[sheet]\n" + sheet +
           "[[support]]\ngroup = \"edge\"\nx = 0\ny = 0\nz = 0\n"
           "[[load]]\ngroup = \"face\"\npressure = 0.3\n";
}
const std::string neo_dorvan =
    "thickness = 0.5\nlaw = \"neo-hookean\"\nshear = 1.0\nbulk = 100.0\n";

void write_square(const fs::path& dir, const std::string& problem) {
    fs::create_directories(dir);
    write_file(dir / "square.msh", sheetprep_testing::square_msh());
    write_file(dir / "problem.toml", problem);
}

struct usage_case {
    const char* name;
    std::vector<std::string> arguments;
    std::string problem;  // the first line on standard error, after "sheetprep: "
};

class usage_error : public ::testing::TestWithParam<usage_case> {};

TEST_P(usage_error, names_the_problem_and_points_at_help) {
    const usage_case& c = GetParam();
    scratch_dir dir;
    write_square(dir.path(), square_problem("dorvan", neo_dorvan));
    const run_result run = run_sheetprep(c.arguments, dir.path());
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "sheetprep: " + c.problem + "\nTry 'sheetprep --help'.\n");
    EXPECT_FALSE(fs::exists(dir.path() / "input.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    arguments, usage_error,
    ::testing::Values(
        usage_case{"no_problem_file", {}, "missing the problem file PROBLEM.toml"},
        usage_case{
            "output_but_no_problem_file", {"-o", "x.txt"}, "missing the problem file PROBLEM.toml"},
        usage_case{"second_problem_file",
                   {"problem.toml", "other.toml"},
                   "one problem file only; 'other.toml' is a second"},
        usage_case{
            "unknown_long_option", {"--frobnicate", "problem.toml"}, "unknown option --frobnicate"},
        usage_case{"unknown_short_option", {"-x", "problem.toml"}, "unknown option -x"},
        usage_case{"output_without_value",
                   {"problem.toml", "-o"},
                   "option -o needs a value: the file to write"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(command_line, help_tells_usage_options_files_and_dead_loads) {
    scratch_dir dir;
    for (const char* flag : {"--help", "-h"}) {
        const run_result run = run_sheetprep({flag}, dir.path());
        EXPECT_EQ(run.exit_status, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out.rfind("Usage: sheetprep [-o FILE] PROBLEM.toml\n", 0), 0u) << run.out;
        for (const char* part : {"-o, --output FILE", "--version", "Files:", "input.txt",
                                 "Loads are dead loads on the initial geometry"})
            EXPECT_NE(run.out.find(part), std::string::npos) << part;
    }
}

TEST(command_line, version_is_one_line) {
    scratch_dir dir;
    const run_result run = run_sheetprep({"--version"}, dir.path());
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_TRUE(std::regex_match(run.out, std::regex("sheetprep [0-9]+\\.[0-9]+\\.[0-9]+\n")))
        << run.out;
}

struct summary_case {
    const char* name;
    std::string program;
    std::string sheet;
    std::string unknowns;
};

class summary : public ::testing::TestWithParam<summary_case> {};

// Writes input.txt beside the problem file and counts what the chosen program will solve for.
TEST_P(summary, counts_nodes_elements_unknowns_supports_and_load) {
    const summary_case& c = GetParam();
    scratch_dir dir;
    write_square(dir.path() / "case", square_problem(c.program, c.sheet));
    const run_result run = run_sheetprep({"case/problem.toml"}, dir.path());
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "sheetprep: wrote case/input.txt for " + c.program +
                  "\n  nodes                 25\n  elements              32\n"
                  "  unknowns              " +
                  c.unknowns +
                  "\n  supported components  48\n  summed load           X 0  Y 0  Z 0.3\n");
    EXPECT_TRUE(fs::exists(dir.path() / "case" / "input.txt"));
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.path() / "case"))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"input.txt", "problem.toml", "square.msh"}));
}

INSTANTIATE_TEST_SUITE_P(
    programs, summary,
    ::testing::Values(summary_case{"dorvan", "dorvan", neo_dorvan,
                                   "59 (27 free components + 32 element thicknesses)"},
                      summary_case{"melvar", "melvar",
                                   "thickness = 0.5\nlaw = \"arruda-boyce\"\nshear = 1.0\n"
                                   "locking_stretch = 3\n",
                                   "27 (free components)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(command_line, thin_dorvan_sheet_is_warned_of_and_still_written) {
    scratch_dir dir;
    write_square(dir.path(), square_problem("dorvan",
                                            "thickness = 0.01\nlaw = \"neo-hookean\"\n"
                                            "shear = 1.0\nbulk = 100.0\n"));
    const run_result run = run_sheetprep({"-o", "thin.txt", "problem.toml"}, dir.path());
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.err.rfind("sheetprep: warning: thickness 0.01 is below 0.05", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("\"Choosing units for dorvan\" in README.md"), std::string::npos);
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1);
    EXPECT_TRUE(fs::exists(dir.path() / "thin.txt"));
    EXPECT_FALSE(fs::exists(dir.path() / "input.txt"));
}

}  // namespace
