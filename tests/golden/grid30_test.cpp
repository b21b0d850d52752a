// Whole runs of a 30 x 30 pre-stretched sheet under a distributed Z load, one per program:
// the three files, the console output and the exit status must stay the same byte for byte.
// The inputs come from bench/make_sheet.py --program <program> --size 30.
#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <ostream>
#include <string>

#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

struct grid_case {
    const char* folder;
    std::string (*program)();
};

// The first line at which two texts differ, with both versions of it, for the failure message.
std::string first_difference(const std::string& written, const std::string& expected) {
    std::size_t at = 0;
    std::size_t line = 1;
    while (at < written.size() && at < expected.size() && written[at] == expected[at]) {
        if (written[at] == '\n') ++line;
        ++at;
    }
    const auto line_of = [](const std::string& text, std::size_t from) {
        const std::size_t begin = text.rfind('\n', from == 0 ? 0 : from - 1);
        const std::size_t start = begin == std::string::npos || from == 0 ? 0 : begin + 1;
        return text.substr(start, text.find('\n', start) - start);
    };
    return "line " + std::to_string(line) + ": written \"" + line_of(written, at) +
           "\", expected \"" + line_of(expected, at) + "\"";
}

void PrintTo(const grid_case& c, std::ostream* out) {
    *out << c.folder;
}

class grid30 : public ::testing::TestWithParam<grid_case> {};

TEST_P(grid30, reproduces_every_file_and_the_console_output) {
    const fs::path folder = fs::path(TEST_DATA_DIR) / GetParam().folder;
    const fs::path expected = folder / "expected";
    scratch_dir dir;
    const run_result run =
        run_with_input(GetParam().program(), dir.path(), read_file(folder / "input.txt"));

    EXPECT_EQ(std::to_string(run.exit_status) + "\n", read_file(expected / "exit_code.txt"))
        << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, read_file(expected / "stdout.txt"));
    for (const char* name : {"ansys.txt", "autocad.scr", "output.txt"}) {
        ASSERT_TRUE(fs::exists(dir.path() / name)) << name << " was not written";
        // Compared whole: a difference in the last digit of any number fails the run.
        const std::string written = read_file(dir.path() / name);
        const std::string wanted = read_file(expected / name);
        EXPECT_TRUE(written == wanted) << name << " differs, " << first_difference(written, wanted);
    }
}

INSTANTIATE_TEST_SUITE_P(sheets, grid30,
                         ::testing::Values(grid_case{"grid30-dorvan", dorvan_exe},
                                           grid_case{"grid30-melvar", melvar_exe}),
                         [](const auto& info) { return std::string(info.param.folder).substr(7); });

}  // namespace
