// The command line: usage errors (exit 2, nothing read or written), --help and --version, where
// input.txt goes, the summary, and the warning for a thin dorvan sheet.
#include <gtest/gtest.h>

#include <regex>

#include "sheetprep_run.hpp"

namespace {

namespace fs = std::filesystem;
using sheetprep_testing::run_sheetprep;

const std::string neo = "thickness = 0.5\nlaw = \"neo-hookean\"\nshear = 1.0\nbulk = 100.0\n";

// The square held at its edge under a pressure of 0.3, in dir.
void write_square(const fs::path& dir, const std::string& program, const std::string& sheet) {
    fs::create_directories(dir);
    fs::copy_file(sheetprep_testing::data_file("square.msh"), dir / "square.msh");
    testing_support::write_file(dir / "problem.toml",
                                "program = \"" + program + "\"\nmesh = \"square.msh\"\n[sheet]\n" +
                                    sheet +
                                    "[[support]]\ngroup = \"edge\"\nx = 0\ny = 0\nz = 0\n"
                                    "[[load]]\ngroup = \"face\"\npressure = 0.3\n");
}

struct usage_case {
    std::vector<std::string> arguments;
    std::string problem;  // the first line on standard error, after "sheetprep: "
};

void PrintTo(const usage_case& c, std::ostream* out) {
    *out << "arguments";
    for (const std::string& argument : c.arguments) *out << "_" << argument;
}

class usage_error : public ::testing::TestWithParam<usage_case> {};

TEST_P(usage_error, names_the_problem_and_points_at_help) {
    testing_support::scratch_dir dir;
    write_square(dir.path(), "dorvan", neo);
    const auto run = run_sheetprep(GetParam().arguments, dir.path());
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "sheetprep: " + GetParam().problem + "\nTry 'sheetprep --help'.\n");
    EXPECT_FALSE(fs::exists(dir.path() / "input.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    arguments, usage_error,
    ::testing::Values(
        usage_case{{}, "missing the problem file PROBLEM.toml"},
        usage_case{{"-o", "x.txt"}, "missing the problem file PROBLEM.toml"},
        usage_case{{"problem.toml", "b.toml"}, "one problem file only; 'b.toml' is a second"},
        usage_case{{"--frobnicate", "problem.toml"}, "unknown option --frobnicate"},
        usage_case{{"-x", "problem.toml"}, "unknown option -x"},
        usage_case{{"problem.toml", "-o"}, "option -o needs a value: the file to write"},
        usage_case{{"-o", "./problem.toml", "problem.toml"},
                   "'./problem.toml' is the problem file; write input.txt elsewhere"},
        usage_case{{"-o", "/dev/full", "problem.toml"},
                   "option -o: '/dev/full' is a character device, not a regular file"}));

TEST(command_line, help_and_version) {
    testing_support::scratch_dir dir;
    for (const char* flag : {"--help", "-h"}) {
        const auto run = run_sheetprep({flag}, dir.path());
        EXPECT_EQ(run.exit_status, 0);
        EXPECT_EQ(run.out.find("Usage: sheetprep [-o FILE] PROBLEM.toml\n"), 0u) << run.out;
        for (const char* part : {"-o, --output FILE", "--version",
                                 "Files:", "Loads are dead loads on the initial geometry"})
            EXPECT_NE(run.out.find(part), std::string::npos) << part;
    }
    const auto run = run_sheetprep({"--version"}, dir.path());
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_TRUE(std::regex_match(run.out, std::regex("sheetprep [0-9]+\\.[0-9]+\\.[0-9]+\n")));
}

// A problem file read through a pipe (sheetprep <(...)) gives what the file gives.
TEST(command_line, problem_file_may_be_a_pipe) {
    testing_support::scratch_dir dir;
    write_square(dir.path(), "dorvan", neo);
    ASSERT_EQ(run_sheetprep({"-o", "file.txt", "problem.toml"}, dir.path()).exit_status, 0);
    const std::string piped = "cd '" + dir.path().string() + "' && mkfifo pipe.toml && (cat " +
                              "problem.toml > pipe.toml &) && '" SHEETPREP_EXE "' -o pipe.txt " +
                              "pipe.toml > /dev/null";
    ASSERT_EQ(std::system(piped.c_str()), 0);
    const auto from_settings = [](const std::string& text) { return text.substr(text.find(":")); };
    EXPECT_EQ(from_settings(testing_support::read_file(dir.path() / "pipe.txt")),
              from_settings(testing_support::read_file(dir.path() / "file.txt")));
}

// Writes input.txt beside the problem file and counts what the chosen program solves for.
TEST(command_line, summary_counts_nodes_elements_unknowns_supports_and_load) {
    const std::pair<std::string, std::string> programs[] = {
        {"dorvan", "59 (27 free components + 32 element thicknesses)"},
        {"melvar", "27 (free components)"}};
    for (const auto& [program, unknowns] : programs) {
        testing_support::scratch_dir dir;
        write_square(
            dir.path() / "case", program,
            program == "dorvan" ? neo : "thickness = 0.5\nlaw = \"neo-hookean\"\nshear = 1\n");
        const auto run = run_sheetprep({"case/problem.toml"}, dir.path());
        EXPECT_EQ(run.exit_status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, "sheetprep: wrote case/input.txt for " + program +
                               "\n  nodes                 25\n  elements              32\n"
                               "  unknowns              " +
                               unknowns +
                               "\n  supported components  48\n"
                               "  summed load           X 0  Y 0  Z 0.3\n");
        EXPECT_TRUE(fs::exists(dir.path() / "case" / "input.txt"));
    }
}

TEST(command_line, thin_dorvan_sheet_is_warned_of_and_still_written) {
    testing_support::scratch_dir dir;
    write_square(dir.path(), "dorvan",
                 "thickness = 0.01\nlaw = \"neo-hookean\"\nshear = 1\nbulk = 9\n");
    const auto run = run_sheetprep({"-o", "thin.txt", "problem.toml"}, dir.path());
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.err.find("sheetprep: warning: thickness 0.01 is below 0.05"), 0u) << run.err;
    EXPECT_NE(run.err.find("\"Choosing units for dorvan\" in doc/methods.md"), std::string::npos);
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1);
    EXPECT_TRUE(fs::exists(dir.path() / "thin.txt"));
    EXPECT_FALSE(fs::exists(dir.path() / "input.txt"));
}

}  // namespace
