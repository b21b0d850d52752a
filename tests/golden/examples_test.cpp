// Whole runs of the worked examples: every file a run leaves, its console output and its exit
// status, byte for byte; a file the example does not list must not exist.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

const char* const output_files[] = {"ansys.txt", "autocad.scr", "output.txt"};

class worked_example : public ::testing::TestWithParam<std::string> {};

TEST_P(worked_example, leaves_exactly_the_expected_files) {
    const std::string example = GetParam();
    const fs::path folder = fs::path(TEST_DATA_DIR) / "examples" / example;
    const std::string program = read_file(folder / "program").substr(0, 6);
    scratch_dir dir;
    const run_result run = run_with_input(program == "dorvan" ? dorvan_exe() : melvar_exe(),
                                          dir.path(), read_file(folder / "input.txt"));

    EXPECT_EQ(std::to_string(run.exit_status) + "\n", read_file(folder / "expected/exit_code.txt"))
        << run.err;
    EXPECT_EQ(run.out, read_file(folder / "expected/stdout.txt"));
    for (const char* name : output_files) {
        const fs::path expected = folder / "expected" / name;
        const fs::path written = dir.path() / name;
        if (fs::exists(expected)) {
            ASSERT_TRUE(fs::exists(written)) << name << " was not written";
            EXPECT_EQ(read_file(written), read_file(expected)) << name << " differs";
        } else {
            EXPECT_FALSE(fs::exists(written)) << name << " should not exist";
        }
    }
    // Nothing else is left behind (no temporary files).
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        left.insert(entry.path().filename().string());
    for (const char* name : output_files) left.erase(name);
    left.erase("input.txt");
    EXPECT_TRUE(left.empty()) << *left.begin();
}

INSTANTIATE_TEST_SUITE_P(examples, worked_example,
                         ::testing::Values("one-triangle-dorvan", "one-triangle-melvar",
                                           "strip-arruda-boyce-melvar",
                                           "pressure-prestretched-dorvan",
                                           "already-in-equilibrium-dorvan", "fewer-node-lines"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

}  // namespace
