// Whole runs on what once crashed sheetprep, hung it or made it lie: each refused with exit
// status 1, one line on standard error that says what and where, and nothing left behind (no
// input.txt, no file a script would have written); and the examples still prepared byte for byte.
#include <gtest/gtest.h>

#include <set>

#include "sheetprep_run.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;
using testing_support::write_file;

const std::string sheet =
    "[sheet]\nthickness = 0.5\nlaw = \"neo-hookean\"\nshear = 1\nbulk = 9\n"
    "[[support]]\ngroup = \"rim\"\nz = 0\n";
// A problem on mesh, with the top-level keys of extra.
std::string on(const std::string& mesh, const std::string& extra = "") {
    return "program = \"dorvan\"\nmesh = \"" + mesh + "\"\n" + extra + sheet;
}
// The inflated disc's mesh (radius 10, size 2), with its own size replaced.
std::string disc(const std::string& size = "2.0") {
    std::string text = read_file(fs::path(EXAMPLES_DIR) / "inflated-disc" / "disc.geo");
    text.replace(text.find("size = 2.0;"), 11, "size = " + size + ";");
    return text;
}

struct refused_case {
    const char* name;
    std::string problem;                                     // problem.toml
    std::vector<std::pair<std::string, std::string>> files;  // more files: name, text
    std::string message;                                     // a part of the line on stderr
};

void PrintTo(const refused_case& c, std::ostream* out) {
    *out << c.name;
}

class refused_run : public ::testing::TestWithParam<refused_case> {};

TEST_P(refused_run, ends_with_one_line_and_leaves_nothing) {
    const refused_case& c = GetParam();
    testing_support::scratch_dir dir;
    fs::create_directories(dir.path() / "run" / "sub");
    std::set<std::string> written = {"problem.toml", "sub"};
    write_file(dir.path() / "run" / "problem.toml", c.problem);
    for (const auto& [name, text] : c.files) {
        write_file(dir.path() / "run" / name, text);
        written.insert(name);
    }
    const auto run = sheetprep_testing::run_sheetprep({"problem.toml"}, dir.path() / "run");
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.find("sheetprep: "), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    std::set<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
        left.insert(fs::relative(entry.path(), dir.path() / "run").string());
    written.insert(".");  // the folder run itself, and nothing beside it
    EXPECT_EQ(left, written);
}

std::string deep_key() {
    std::string key;
    for (int k = 0; k < 50000; ++k) key += "a.";
    return key + "b = 1\n";
}

INSTANTIATE_TEST_SUITE_P(
    reproducers, refused_run,
    ::testing::Values(
        refused_case{"system_call",
                     on("m.geo"),
                     {{"m.geo", "size = 2;\nSystemCall \"touch pwned\";\n"}},
                     "m.geo:2: 'SystemCall' runs a shell command; a mesh file read by sheetprep "
                     "may describe geometry and mesh only: remove it"},
        refused_case{"exit",
                     on("m.geo"),
                     {{"m.geo", disc() + "Exit;\n"}},
                     "m.geo:17: 'Exit' ends the program reading the script as if all went well"},
        refused_case{"include_outside",
                     on("sub/m.geo"),
                     {{"sub/m.geo", "Include \"../../outside.geo\";\n"}},
                     "sub/m.geo:1: 'Include' \"../../outside.geo\" reads a file outside the folder "
                     "of the problem file"},
        refused_case{"self_include",
                     on("m.geo"),
                     {{"m.geo", "Include \"m.geo\";\n"}},
                     "m.geo:1: reads m.geo while it is being read (m.geo -> m.geo): gmsh would "
                     "read it for ever; a script may not include itself"},
        refused_case{"script_named_as_text",
                     on("m.txt"),
                     {{"m.txt", "CreateDir \"made\";\n"}},
                     "m.txt:1: 'CreateDir' creates a folder"},
        refused_case{"nesting_fifty_thousand_deep",
                     "program = \"dorvan\"\nmesh = \"m.geo\"\n" + deep_key(),
                     {},
                     "problem.toml:3:129: nested more than 64 levels deep"},
        // About 7.2 million triangles by the coarse measure of the disc's area.
        refused_case{"element_limit",
                     on("disc.geo", "mesh_size = 0.01\n"),
                     {{"disc.geo", disc()}},
                     "triangles on disc.geo (area 313."},
        refused_case{"size_beyond_any_count",
                     on("disc.geo", "mesh_size = 1e-300\n"),
                     {{"disc.geo", disc()}},
                     "mesh_size 1e-300 asks for more than 1e308 triangles on disc.geo"},
        refused_case{"more_triangles_than_allowed",
                     on("disc.geo", "max_elements = 100\n"),
                     {{"disc.geo", disc()}},
                     "disc.geo gives 212 triangles, more than max_elements = 100; mesh it coarser, "
                     "or raise max_elements in the problem file"},
        // Allowed the count, gmsh gives up on a size a thousandth of the radius.
        refused_case{"degenerate_at_mesh_size",
                     on("disc.geo", "mesh_size = 0.01\nmax_elements = 10000000\n"),
                     {{"disc.geo", disc()}},
                     "gmsh gave up on the element size asked for in disc.geo: "},
        refused_case{"degenerate_at_the_script_size",
                     on("disc.geo"),
                     {{"disc.geo", disc("0.01")}},
                     "are slivers (shape quality below 0.1, where an equilateral triangle has 1)"},
        refused_case{"endless_loop",
                     on("loop.geo", "mesh_time_limit = 1\n"),
                     {{"loop.geo", "For i In {1:1e15}\n  x = i;\nEndFor\n"}},
                     "gmsh did not finish with loop.geo within 1 s (mesh_time_limit): the script "
                     "loops for ever"},
        // gmsh throws its error from inside its OpenMP loop, where it ended the process.
        refused_case{"open_curve_loop",
                     on("m.geo"),
                     {{"m.geo",
                       "Point(1) = {0, 0, 0, 0.25}; Point(2) = {1, 0, 0, 0.25};\n"
                       "Point(3) = {1, 1, 0, 0.25}; Line(1) = {1, 2}; Line(2) = {2, 3};\n"
                       "Line(3) = {3, 1}; Curve Loop(1) = {1, 2}; Plane Surface(1) = {1};\n"}},
                     "gmsh failed on m.geo: The 1D mesh seems not to be forming a closed loop"},
        refused_case{"max_elements_zero",
                     on("disc.geo", "max_elements = 0\n"),
                     {},
                     "problem.toml:3:16: 'max_elements' must be an integer above 0"},
        refused_case{"time_limit_zero",
                     on("disc.geo", "mesh_time_limit = 0\n"),
                     {},
                     "problem.toml:3:19: 'mesh_time_limit' must be above 0 (seconds)"}),
    [](const auto& info) { return std::string(info.param.name); });

// The examples as they were prepared before gmsh ran in a process of its own: input.txt and the
// summary, byte for byte.
class example_prepared : public ::testing::TestWithParam<const char*> {};

TEST_P(example_prepared, as_before_byte_for_byte) {
    const std::string name = GetParam();
    const fs::path folder = fs::path(EXAMPLES_DIR) / name;
    testing_support::scratch_dir dir;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".toml" || entry.path().extension() == ".geo")
            fs::copy_file(entry.path(), dir.path() / entry.path().filename());
    const auto run = sheetprep_testing::run_sheetprep({"problem.toml"}, dir.path());
    ASSERT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string expected = sheetprep_testing::data_file("examples/" + name);
    EXPECT_EQ(run.out, read_file(expected + "-stdout.txt"));
    EXPECT_EQ(read_file(dir.path() / "input.txt"), read_file(expected + "-input.txt"));
}

INSTANTIATE_TEST_SUITE_P(examples, example_prepared,
                         ::testing::Values("balloon", "inflated-disc", "plate-with-hole"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

}  // namespace
