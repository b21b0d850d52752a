// The command line of both programs, through whole runs: usage mistakes, --help, --version and
// a run directory given as DIR.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

struct mistake {
    const char* arguments;
    const char* first_line;  // after "PROGRAM: "
};

const mistake mistakes[] = {
    {"--bogus", "The following argument was not expected: --bogus"},
    {"-x", "The following argument was not expected: -x"},
    {"--vtu", "--vtu: 1 required FILE missing"},
    {"--history", "--history: 1 required FILE missing"},
    {"--threads", "--threads: 1 required N missing"},
    {"--threads 0", "--threads: expected a whole number of threads from 1 to 1024, got '0'"},
    {"--threads two", "--threads: expected a whole number of threads from 1 to 1024, got 'two'"},
    {"--threads 1025", "--threads: expected a whole number of threads from 1 to 1024, got '1025'"},
    {"--steps 0", "--steps: expected a whole number of steps from 1 to 10000, got '0'"},
    {"--steps 2.5", "--steps: expected a whole number of steps from 1 to 10000, got '2.5'"},
    {"one two", "The following argument was not expected: two"},
    {"--quiet=yes", "quiet was given a disallowed flag override"},
    {"--vtu ''", "--vtu: FILE must not be empty"},
    {"--history ''", "--history: FILE must not be empty"},
    {"--vtu input.txt", "--vtu: 'input.txt' is the same file as input.txt, which the run reads"},
    {"--history ./output.txt",
     "--history: './output.txt' is the same file as output.txt, which the run writes"},
    {"--vtu r.vtu --history x/../r.vtu",
     "--history: 'x/../r.vtu' is the same file as the --vtu FILE"},
    {"--method", "--method: 1 required M missing"},
    {"--method bfgs", "--method: expected lbfgs or newton, got 'bfgs'"},
    {"--tolerance-factor", "--tolerance-factor: 1 required F missing"},
    {"--tolerance-factor 0", "--tolerance-factor: expected a tolerance factor above 0, got '0'"},
    {"--tolerance-factor -1e-3",
     "--tolerance-factor: expected a tolerance factor above 0, got '-1e-3'"},
    {"--tolerance-factor nan",
     "--tolerance-factor: expected a tolerance factor above 0, got 'nan'"},
    {"--tolerance-factor 1e-3x",
     "--tolerance-factor: expected a tolerance factor above 0, got '1e-3x'"},
};

TEST(command_line, usage_mistakes_end_with_status_2_and_touch_nothing) {
    const std::string input = example_file("one-triangle-dorvan", "input.txt");
    for (const std::string& program : {dorvan_exe(), melvar_exe()}) {
        const std::string name = fs::path(program).filename().string();
        for (const mistake& m : mistakes) {
            scratch_dir dir;
            write_file(dir.path() / "input.txt", input);
            const run_result run = run_in(program, dir.path(), m.arguments);
            EXPECT_EQ(run.exit_status, 2) << m.arguments;
            EXPECT_EQ(run.err, name + ": " + m.first_line + "\nTry '" + name + " --help'.\n")
                << m.arguments;
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
                      1)
                << m.arguments << ": something was written";
        }
    }
}

// FILE is taken in DIR and compared with the run's files as a file: a hard or symbolic link to
// input.txt, or an absolute path to an output, is that file.
TEST(command_line, a_file_that_is_one_of_the_run_is_a_usage_mistake) {
    scratch_dir dir;
    const fs::path run_dir = dir.path() / "case";
    fs::create_directory(run_dir);
    const std::string input = example_file("one-triangle-dorvan", "input.txt");
    write_file(run_dir / "input.txt", input);
    fs::create_hard_link(run_dir / "input.txt", run_dir / "hard.txt");
    fs::create_symlink("input.txt", run_dir / "soft.txt");
    const std::string deck = (run_dir / "autocad.scr").string();
    const std::pair<std::string, std::string> cases[] = {
        {"--vtu input.txt case",
         "--vtu: 'input.txt' is the same file as input.txt, which the run "
         "reads"},
        {"--history hard.txt case",
         "--history: 'hard.txt' is the same file as input.txt, which the run reads"},
        {"--vtu soft.txt case",
         "--vtu: 'soft.txt' is the same file as input.txt, which the run "
         "reads"},
        {"--vtu " + deck + " case",
         "--vtu: '" + deck + "' is the same file as autocad.scr, which the run writes"}};
    for (const auto& [arguments, message] : cases) {
        const run_result run = run_in(dorvan_exe(), dir.path(), arguments);
        EXPECT_EQ(run.exit_status, 2) << arguments;
        EXPECT_EQ(run.err, "dorvan: " + message + "\nTry 'dorvan --help'.\n");
        EXPECT_EQ(std::distance(fs::directory_iterator(run_dir), fs::directory_iterator()), 3);
        EXPECT_EQ(read_file(run_dir / "input.txt"), input);
    }
}

TEST(command_line, help_and_version_print_on_standard_output) {
    for (const std::string& program : {dorvan_exe(), melvar_exe()}) {
        const std::string name = fs::path(program).filename().string();
        scratch_dir dir;
        const run_result help = run_in(program, dir.path(), "--help");
        EXPECT_EQ(help.exit_status, 0);
        EXPECT_EQ(
            help.out.rfind("Usage: " + name + " [--method lbfgs|newton] [--tolerance-factor F]", 0),
            0u);
        for (const char* part : {"input.txt", "output.txt", "ansys.txt", "autocad.scr", "--quiet",
                                 "--vtu FILE", "--history FILE"})
            EXPECT_NE(help.out.find(part), std::string::npos) << part;
        EXPECT_EQ(help.err, "");
        const run_result version = run_in(program, dir.path(), "--version");
        EXPECT_EQ(version.exit_status, 0);
        EXPECT_EQ(version.out, name + " 0.2.0\n");
        EXPECT_TRUE(fs::is_empty(dir.path()));
    }
}

TEST(command_line, a_run_directory_is_read_and_written_in_place_of_the_working_one) {
    const std::string example = "one-triangle-dorvan";
    scratch_dir dir;
    fs::create_directory(dir.path() / "case");
    write_file(dir.path() / "case" / "input.txt", example_file(example, "input.txt"));
    const run_result run = run_in(dorvan_exe(), dir.path(), "case");
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.out, example_file(example, "expected/stdout.txt"));
    for (const char* name : {"ansys.txt", "autocad.scr", "output.txt"}) {
        EXPECT_EQ(read_file(dir.path() / "case" / name),
                  example_file(example, std::string("expected/") + name));
        EXPECT_FALSE(fs::exists(dir.path() / name));
    }

    const run_result missing = run_in(dorvan_exe(), dir.path(), "nowhere");
    EXPECT_EQ(missing.exit_status, 1);
    EXPECT_EQ(missing.err, "dorvan: cannot enter directory nowhere: No such file or directory\n");
    EXPECT_FALSE(fs::exists(dir.path() / "nowhere"));
}

}  // namespace
