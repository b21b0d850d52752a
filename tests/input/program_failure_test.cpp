// Whole runs that fail while reading input.txt or building the starting state: exit status 1,
// one line on standard error naming the kind, the place and what was expected, and no output
// file written or changed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "support/input_text.hpp"
#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using input_text::one_triangle;
using input_text::replaced;

const char* const output_files[] = {"ansys.txt", "autocad.scr", "output.txt"};

// What an earlier run left behind, to be kept byte for byte.
std::string older(const char* name) {
    return std::string("left by an earlier run: ") + name + "\r\n 1.000000E+00\r\n";
}

std::set<std::string> files_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
    return names;
}

struct failing_run {
    const char* name;
    bool melvar;
    std::optional<std::string> input;  // none: no input.txt at all
    std::string report;                // the line on standard error, without its line end
};

void PrintTo(const failing_run& c, std::ostream* os) {
    *os << c.name;
}

run_result run_case(const failing_run& c, const fs::path& dir) {
    const std::string program = c.melvar ? melvar_exe() : dorvan_exe();
    return c.input ? run_with_input(program, dir, *c.input) : run_in(program, dir);
}

class failing_input : public ::testing::TestWithParam<failing_run> {};

TEST_P(failing_input, reports_one_line_and_writes_no_file) {
    const failing_run c = GetParam();
    scratch_dir dir;
    const run_result run = run_case(c, dir.path());
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.err, c.report + "\n");
    EXPECT_EQ(run.out, "");
    std::set<std::string> expected_left;
    if (c.input) expected_left.insert("input.txt");
    EXPECT_EQ(files_in(dir.path()), expected_left);
}

TEST_P(failing_input, leaves_the_files_of_an_earlier_run_unchanged) {
    const failing_run c = GetParam();
    scratch_dir dir;
    for (const char* name : output_files) write_file(dir.path() / name, older(name));
    const run_result run = run_case(c, dir.path());
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.err, c.report + "\n");
    for (const char* name : output_files) EXPECT_EQ(read_file(dir.path() / name), older(name));
}

// Line numbers below are those of the one-triangle text: settings on line 3, the sheet on 5,
// nodes on 9 to 11, the element on 15, supports on 19 to 24, the load on 28.
const std::string up_to_the_supports = one_triangle.substr(0, one_triangle.find(": loads"));
const std::string up_to_the_nodes = one_triangle.substr(0, one_triangle.find(": elements"));

INSTANTIATE_TEST_SUITE_P(
    missing_file, failing_input,
    ::testing::Values(failing_run{"no_input_file", false, std::nullopt,
                                  "dorvan: input.txt: file not found: No such file or directory"},
                      failing_run{"no_input_file_melvar", true, std::nullopt,
                                  "melvar: input.txt: file not found: No such file or directory"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    end_of_file, failing_input,
    ::testing::Values(
        failing_run{"empty_file", true, "",
                    "melvar: input.txt:1:1: end of file: expected the header line of the "
                    "settings section (a line starting with ':')"},
        failing_run{"no_loads_section", false, up_to_the_supports,
                    "dorvan: input.txt:25:1: end of file: expected the header line of the loads "
                    "section (a line starting with ':')"},
        failing_run{"no_section_after_the_nodes", true, up_to_the_nodes,
                    "melvar: input.txt:12:1: end of file: expected the header line of the "
                    "elements section (a line starting with ':')"},
        failing_run{"settings_cut_short", false, ": settings\n0.9 10 0.001 0.0 500",
                    "dorvan: input.txt:2:21: end of file: expected the memory size"},
        failing_run{"nul_byte_in_the_title", true,
                    replaced(one_triangle, "Test sheet", std::string("Test\0sheet", 10)),
                    "melvar: input.txt:1:5: not text: a NUL byte; input.txt must be a text file"},
        failing_run{"node_section_shorter_than_its_count", false,
                    ": settings\n0.9 10 0.001 0.0 500 5\n: sheet\n0.5 1 1.0 100.0\n: nodes\n3\n"
                    "heading\n1 0.0 0.0 0.0\n2 1.0 0.0 0.0  and a comment that is long\n",
                    "dorvan: input.txt:10:1: end of file: expected the node number of node "
                    "line 3"},
        // The last line too long for the room check, so the reading itself runs out.
        failing_run{"last_section_shorter_than_its_count", false,
                    replaced(one_triangle, "1\n  node dir force\n3 2 0.1\n",
                             "2\n  node dir force\n3 2 0.1 and a comment long enough\n"),
                    "dorvan: input.txt:29:1: end of file: expected the node of load line 2"},
        failing_run{"last_section_too_short_for_its_count", true,
                    replaced(one_triangle, "1\n  node dir force\n3 2 0.1\n",
                             "2\n  node dir force\n3 2 0.1\n"),
                    "melvar: input.txt:28:1: end of file: expected 2 load lines, more than the "
                    "rest of the file can hold"},
        // A huge count in a tiny file fails at once, before anything is made for it.
        failing_run{"huge_node_count_in_a_tiny_file", false,
                    ":\n0 0 0 0 0 0\n:\n0 1 1 1\n:\n2000000000",
                    "dorvan: input.txt:6:11: end of file: expected 2000000000 node lines, more "
                    "than the rest of the file can hold"},
        failing_run{"huge_element_count", true,
                    replaced(one_triangle, "1\n  element", "2147483647\n  element"),
                    "melvar: input.txt:15:1: end of file: expected 2147483647 element lines, "
                    "more than the rest of the file can hold"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    malformed_number, failing_input,
    ::testing::Values(
        failing_run{"fewer_node_lines_than_the_count", true,
                    example_file("fewer-node-lines", "input.txt"),
                    "melvar: input.txt:12:1: malformed number: expected the node number of node "
                    "line 4"},
        failing_run{"letters", false, replaced(one_triangle, "0.9 10 0.001", "0.9 10 abc"),
                    "dorvan: input.txt:3:8: malformed number: expected the tolerance factor"},
        failing_run{"point_without_decimals", false,
                    replaced(one_triangle, "0.5 1 1.0", "1. 1 1.0"),
                    "dorvan: input.txt:5:1: malformed number: expected the sheet thickness"},
        failing_run{"point_without_integer_part", true,
                    replaced(one_triangle, "0.5 1 1.0", ".5 1 1.0"),
                    "melvar: input.txt:5:1: malformed number: expected the sheet thickness"},
        failing_run{"exponent_without_digits", false,
                    replaced(one_triangle, "3 0.0 1.0 0.0\n", "3 0.0 1e 0.0\n"),
                    "dorvan: input.txt:11:7: malformed number: expected the Y coordinate of node "
                    "3"},
        failing_run{"not_a_number", false, replaced(one_triangle, "3 2 0.1\n", "3 2 nan\n"),
                    "dorvan: input.txt:28:5: malformed number: expected the force of load line 1"},
        failing_run{"infinity", true, replaced(one_triangle, "3 2 0.1\n", "3 2 -Infinity\n"),
                    "melvar: input.txt:28:5: malformed number: expected the force of load line 1"},
        failing_run{"integer_above_32_bits", false,
                    replaced(one_triangle, "3\n  node", "2147483648\n  node"),
                    "dorvan: input.txt:7:1: malformed number: expected the node count (an integer "
                    "of at most 32 bits)"},
        failing_run{"integer_below_32_bits", true,
                    replaced(one_triangle, "0.9 10 ", "0.9 -2147483649 "),
                    "melvar: input.txt:3:5: malformed number: expected the search limit (an "
                    "integer of at most 32 bits)"},
        failing_run{"real_beyond_double_precision", false,
                    replaced(one_triangle, "3 2 0.1\n", "3 2 1E999\n"),
                    "dorvan: input.txt:28:5: malformed number: expected the force of load line 1 "
                    "(its magnitude is beyond double precision)"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    index_out_of_range, failing_input,
    ::testing::Values(
        failing_run{"node_number", false,
                    replaced(one_triangle, "2 1.0 0.0 0.0\n", "4 1.0 0.0 0.0\n"),
                    "dorvan: input.txt:10:1: index out of range: node 4 is not in 1..3"},
        failing_run{"element_number", true, replaced(one_triangle, "1 1 2 3\n", "0 1 2 3\n"),
                    "melvar: input.txt:15:1: index out of range: element 0 is not in 1..1"},
        failing_run{"support_node", false, replaced(one_triangle, "2 2 0.0\n", "-1 2 0.0\n"),
                    "dorvan: input.txt:23:1: index out of range: node -1 is not in 1..3"},
        failing_run{"support_direction_zero", true,
                    replaced(one_triangle, "2 2 0.0\n", "2 0 0.0\n"),
                    "melvar: input.txt:23:3: index out of range: direction 0 is not in 1..3"},
        failing_run{"support_direction_four", false,
                    replaced(one_triangle, "2 2 0.0\n", "2 4 0.0\n"),
                    "dorvan: input.txt:23:3: index out of range: direction 4 is not in 1..3"},
        failing_run{"load_node", true, replaced(one_triangle, "3 2 0.1\n", "4 2 0.1\n"),
                    "melvar: input.txt:28:1: index out of range: node 4 is not in 1..3"},
        failing_run{"load_direction", false, replaced(one_triangle, "3 2 0.1\n", "3 4 0.1\n"),
                    "dorvan: input.txt:28:3: index out of range: direction 4 is not in 1..3"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    invalid_value, failing_input,
    ::testing::Values(
        failing_run{"locking_stretch_zero", true,
                    replaced(one_triangle, "0.5 1 1.0 100.0", "0.5 3 1.0 0.0"),
                    "melvar: input.txt:5:11: invalid value: expected the Arruda-Boyce locking "
                    "stretch, a number above 0.0"},
        failing_run{"locking_stretch_negative", true,
                    replaced(one_triangle, "0.5 1 1.0 100.0", "0.5 3 1.0 -2.0"),
                    "melvar: input.txt:5:11: invalid value: expected the Arruda-Boyce locking "
                    "stretch, a number above 0.0"},
        // Told at the count, not at the first support line that names a node.
        failing_run{"negative_node_count", false, replaced(one_triangle, "3\n  node", "-5\n  node"),
                    "dorvan: input.txt:7:1: invalid value: the node count is -5; a count cannot "
                    "be below 0"}),
    [](const auto& info) { return std::string(info.param.name); });

// The starting state rejects what the reader stores unchecked.
INSTANTIATE_TEST_SUITE_P(
    starting_state, failing_input,
    ::testing::Values(
        failing_run{"corner_beyond_the_nodes", false,
                    replaced(one_triangle, "1 1 2 3\n", "1 1 2 4\n"),
                    "dorvan: element 1 names node 4, which does not exist (the nodes are 1..3)"},
        failing_run{"element_named_by_no_line", true,
                    replaced(one_triangle, "1\n  element N1 N2 N3\n1 1 2 3\n",
                             "2\n  element N1 N2 N3\n2 1 2 3\n2 1 2 3\n"),
                    "melvar: element 1 names node 0, which does not exist (the nodes are 1..3)"},
        failing_run{"coinciding_corners", false, replaced(one_triangle, "1 1 2 3\n", "1 1 2 2\n"),
                    "dorvan: element 1 has zero area: its corners are collinear or coincide"},
        failing_run{"collinear_corners", true,
                    replaced(one_triangle, "3 0.0 1.0 0.0\n", "3 3.0 0.0 0.0\n"),
                    "melvar: element 1 has zero area: its corners are collinear or coincide"},
        // The reader refuses a law number that names none of the program's laws.
        failing_run{"undefined_law_with_relative_tolerance", false,
                    replaced(one_triangle, "0.5 1 1.0 100.0", "0.5 5 1.0 100.0"),
                    "dorvan: undefined material law 5"},
        failing_run{"undefined_law_with_relative_tolerance_melvar", true,
                    replaced(one_triangle, "0.5 1 1.0 100.0", "0.5 0 1.0 100.0"),
                    "melvar: undefined material law 0"}),
    [](const auto& info) { return std::string(info.param.name); });

// A directory in place of input.txt is told as one, not as a file that is missing.
TEST(failing_input, input_that_is_a_directory_is_named_so) {
    scratch_dir dir;
    fs::create_directory(dir.path() / "input.txt");
    const run_result run = run_in(dorvan_exe(), dir.path());
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.err, "dorvan: input.txt: is a directory; input.txt must be a text file\n");
    EXPECT_EQ(files_in(dir.path()), std::set<std::string>{"input.txt"});
}

// A device or a pipe in place of input.txt may have no end: it is refused before it is read.
TEST(failing_input, input_that_is_no_regular_file_is_refused) {
    for (const char* make : {"ln -s /dev/zero input.txt", "mkfifo input.txt"}) {
        scratch_dir dir;
        ASSERT_EQ(std::system(("cd '" + dir.path().string() + "' && " + make).c_str()), 0);
        const run_result run = run_in(dorvan_exe(), dir.path());
        EXPECT_EQ(run.exit_status, 1) << make;
        EXPECT_EQ(run.err,
                  "dorvan: input.txt: not a regular file (a device, a pipe or a socket has "
                  "no end to read to); input.txt must be a text file\n")
            << make;
        EXPECT_EQ(files_in(dir.path()), std::set<std::string>{"input.txt"});
    }
}

// An unknown law is refused as input reads it, whatever the tolerance: no deck is written and
// the files of an earlier run stay as they were.
TEST(failing_input, undefined_law_with_absolute_tolerance_fails_before_the_deck) {
    for (const bool melvar : {false, true}) {
        scratch_dir dir;
        for (const char* name : output_files) write_file(dir.path() / name, older(name));
        const std::string text =
            replaced(replaced(one_triangle, "0.5 1 1.0 100.0", "0.5 7 1.0 100.0"), "0.001 0.0 500",
                     "0.001 1.0 500");
        const run_result run =
            run_with_input(melvar ? melvar_exe() : dorvan_exe(), dir.path(), text);
        const std::string program = melvar ? "melvar" : "dorvan";
        EXPECT_EQ(run.exit_status, 1) << program;
        EXPECT_EQ(run.err, program + ": undefined material law 7\n");
        EXPECT_EQ(run.out, "") << program;
        for (const char* name : output_files)
            EXPECT_EQ(read_file(dir.path() / name), older(name)) << program << " " << name;
        EXPECT_EQ(files_in(dir.path()).size(), 4u) << program;
    }
}

// Texts that a run must treat exactly as the one-triangle text: the same console output and
// the same three files, byte for byte.
class same_run : public ::testing::TestWithParam<const char*> {};

std::string variant(const std::string& name) {
    if (name == "crlf_line_ends") return input_text::with_crlf(one_triangle);
    if (name == "text_after_the_loads_section")
        return one_triangle + ": another header\n2147483648 1E999 nan\n-";
    if (name == "tolerance_factor_zero")
        return replaced(one_triangle, "0.9 10 0.001 ", "0.9 10 0 ");
    throw std::logic_error("no variant " + name);
}

TEST_P(same_run, as_the_one_triangle_text) {
    for (const bool melvar : {false, true}) {
        const std::string program = melvar ? melvar_exe() : dorvan_exe();
        scratch_dir plain, other;
        const run_result expected = run_with_input(program, plain.path(), one_triangle);
        const run_result run = run_with_input(program, other.path(), variant(GetParam()));
        ASSERT_EQ(expected.exit_status, 0) << expected.err;
        EXPECT_EQ(run.exit_status, 0) << run.err;
        EXPECT_EQ(run.out, expected.out);
        for (const char* name : output_files)
            EXPECT_EQ(read_file(other.path() / name), read_file(plain.path() / name))
                << name << (melvar ? " of melvar" : " of dorvan");
    }
}

INSTANTIATE_TEST_SUITE_P(variants, same_run,
                         ::testing::Values("crlf_line_ends", "text_after_the_loads_section",
                                           "tolerance_factor_zero"));

TEST(largest_integer, is_accepted_as_a_setting) {
    for (const bool melvar : {false, true}) {
        scratch_dir dir;
        const run_result run = run_with_input(melvar ? melvar_exe() : dorvan_exe(), dir.path(),
                                              replaced(one_triangle, "0.9 10 ", "0.9 2147483647 "));
        EXPECT_EQ(run.exit_status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        for (const char* name : output_files) EXPECT_TRUE(fs::exists(dir.path() / name)) << name;
    }
}

TEST(negative_count, of_supports_runs_as_a_count_of_zero) {
    // The support lines that follow are then passed over by the loads header scan.
    for (const bool melvar : {false, true}) {
        const std::string program = melvar ? melvar_exe() : dorvan_exe();
        scratch_dir zero, negative;
        const run_result expected = run_with_input(
            program, zero.path(), replaced(one_triangle, "6\n  node dir", "0\n  node dir"));
        const run_result run = run_with_input(
            program, negative.path(), replaced(one_triangle, "6\n  node dir", "-6\n  node dir"));
        EXPECT_EQ(run.exit_status, expected.exit_status);
        EXPECT_EQ(run.out, expected.out);
        EXPECT_EQ(run.err, expected.err);
        EXPECT_EQ(files_in(negative.path()), files_in(zero.path()));
        for (const char* name : output_files) {
            if (fs::exists(zero.path() / name)) {
                EXPECT_EQ(read_file(negative.path() / name), read_file(zero.path() / name)) << name;
            }
        }
    }
}

}  // namespace
