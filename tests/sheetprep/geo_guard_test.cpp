// The guard before gmsh: each command of the kinds it refuses, found with its file and line
// however it is spaced, and never inside a comment or a string; the files a script reads, checked
// for their folder, for cycles and for their own commands.
#include <gtest/gtest.h>

#include "sheet/failure.hpp"
#include "sheetprep/geo_guard.hpp"
#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using sheetprep::check_geo_text;

// The start of what the guard says of a text, as long as expected; "" when it passes.
std::string said(const std::string& text, const std::string& expected) {
    try {
        check_geo_text(text, "f.geo");
        return "";
    } catch (const sheet::failure& failure) {
        return std::string(failure.what()).substr(0, expected.empty() ? 1000 : expected.size());
    }
}

using text_table = std::vector<std::pair<std::string, std::string>>;  // text, message

TEST(guarded_text, refuses_each_command_at_its_file_and_line) {
    const std::string before = "Point(1) = {0, 0, 0, 0.1};\n// a comment\n";
    const text_table refused = {
        {"SystemCall \"touch x\";",
         "'SystemCall' runs a shell command; a mesh file read by sheetprep may describe geometry "
         "and mesh only: remove it"},
        {"System \"touch x\";", "'System' runs a shell command"},
        {"NonBlockingSystemCall \"x\";", "'NonBlockingSystemCall' runs a shell command"},
        {"OnelabRun(\"c\", \"touch x\");", "'OnelabRun' starts a ONELAB client program"},
        {"Field[1] = ExternalProcess;", "'ExternalProcess' makes gmsh run a program"},
        {"SendToServer View[0];", "'SendToServer' sends data to a server"},
        {"Save \"/abs/path/out.msh\";", "'Save' writes a file"},
        {"Print \"shot.png\";", "'Print' writes an image file"},
        {"Print.Width = 10;", "'Print' writes an image file"},
        {"Printf(\"%g\", 1) > \"log.txt\";", "'Printf' with '>' writes to a file"},
        {"Printf(\"(%g)\", f(1)) >> \"log.txt\";", "'Printf' with '>' writes to a file"},
        {"CreateDir \"d\";", "'CreateDir' creates a folder"},
        {"DeleteFile \"f\";", "'DeleteFile' deletes a file"},
        {"RenameFile \"a\", \"b\";", "'RenameFile' renames a file"},
        {"Exit;", "'Exit' ends the program reading the script as if all went well"},
        {"Abort;", "'Abort' stops the reading half way"},
        {"Sleep 100;", "'Sleep' pauses the reading"},
        {"View \"v\" { SP(0, 0, 0){1}; };", "'View' makes a post-processing view"},
        {"Plugin(Smooth).Run;", "'Plugin' runs a post-processing plugin"},
        {"General.ErrorFileName = \"/tmp/x\";",
         "'General.ErrorFileName' is a General option; General, Solver and PostProcessing "
         "options name files that gmsh writes"},
        {"Solver.Executable0 = \"sh\";", "'Solver.Executable0' is a Solver option"},
        {"PostProcessing.Link = 1;", "'PostProcessing.Link' is a PostProcessing option"},
        {"Include StrCat(\"a\", \".geo\");",
         "'Include' must name its file in quotes here: a computed name cannot be checked"},
        {"Merge name;", "'Merge' must name its file in quotes"},
    };
    for (const auto& [command, message] : refused)
        EXPECT_EQ(said(before + command + "\n", "f.geo:3: " + message), "f.geo:3: " + message)
            << command;
}

TEST(guarded_text, reads_the_text_as_gmsh_s_lexer_does) {
    const text_table cases = {
        // gmsh's strings know no escapes: the quote after the backslash ends this one.
        {"s = \"a\\\"; SystemCall \"x\";\n", "f.geo:1: 'SystemCall'"},
        // A line comment ends at its line break, a backslash before it or not.
        {"// note \\\nExit;\n", "f.geo:2: 'Exit'"},
        // "/*" inside a comment opens nothing: the first "*/" closes it.
        {"/* a /* b */ Exit; // */\n", "f.geo:1: 'Exit'"},
        {"SystemCall\n\n\"touch x\"\n;\n", "f.geo:1: 'SystemCall'"},
        {"SystemCall/**/\"touch x\";\n", "f.geo:1: 'SystemCall'"},
        {"x = 1e5;Exit;\n", "f.geo:1: 'Exit'"},
        {"s = \"a\nb\nc\";\nSleep 1;\n", "f.geo:4: 'Sleep'"},
        {std::string("x = 1;\ny = 2\0;\n", 13), "f.geo:2: holds a NUL byte"},
        // Passed: words in comments and strings, other cases and longer words (variables to
        // gmsh), Printf to the terminal, Mesh and Geometry options, a variable called General,
        // and what an unclosed comment hides from gmsh too.
        {"// SystemCall \"x\"; Exit;\n/* Save \"a\";\nSleep 1; */\ns = \"Exit\";\nt = \"// \";\n",
         ""},
        {"exit = 1;\nsave = 2;\nSYSTEMCALL = 3;\nSystemCalls = 1;\nExitCode = 2;\n", ""},
        {"Printf(\"%g > %g\", 2, 1);\nx = 2 > 1;\nGeneral = 1;\nSolver = General + 1;\n", ""},
        {"Mesh.MeshSizeMax = 0.1;\nGeometry.Tolerance = 1e-8;\nInclude \"a.geo\";\n", ""},
        {"x = 1; /* open\nExit;\n", ""},
    };
    for (const auto& [text, message] : cases) EXPECT_EQ(said(text, message), message) << text;
}

// A tree of files in a scratch folder under in/, the mesh file in/m.geo, and what the walk says.
struct tree_case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;  // path under in/, text
    std::string said;  // the start of the message, "" when the tree passes
};

void PrintTo(const tree_case& c, std::ostream* out) {
    *out << c.name;
}

class guarded_tree : public ::testing::TestWithParam<tree_case> {};

TEST_P(guarded_tree, is_refused_where_a_read_goes_wrong_or_passes) {
    testing_support::scratch_dir dir;
    fs::create_directories(dir.path() / "in" / "sub");
    testing_support::write_file(dir.path() / "outside.geo", "Point(1) = {0, 0, 0};\n");
    for (const auto& [path, text] : GetParam().files)
        testing_support::write_file(dir.path() / "in" / path, text);
    // Named from the scratch folder, as sheetprep names a mesh beside the problem file.
    const fs::path here = fs::current_path();
    fs::current_path(dir.path());
    std::string message;
    try {
        sheetprep::check_mesh_file_scripts("in/m.geo", "in");
    } catch (const sheet::failure& failure) {
        message = failure.what();
    }
    fs::current_path(here);
    EXPECT_EQ(message.substr(0, GetParam().said.empty() ? 1000 : GetParam().said.size()),
              GetParam().said);
}

const std::string point = "Point(1) = {0, 0, 0};\n";

INSTANTIATE_TEST_SUITE_P(
    walks, guarded_tree,
    ::testing::Values(
        // Each file is read once, and twice from two others is no cycle.
        tree_case{"diamond",
                  {{"m.geo", "Include \"a.geo\";\nInclude \"b.geo\";\n"},
                   {"a.geo", "Include \"c.geo\";\n"},
                   {"b.geo", "Include \"c.geo\";\n"},
                   {"c.geo", point}},
                  ""},
        // A name is taken in the folder of the script that writes it.
        tree_case{"names_from_the_including_folder",
                  {{"m.geo", "Include \"sub/a.geo\";\n"},
                   {"sub/a.geo", "Include \"b.geo\";\n"},
                   {"sub/b.geo", point},
                   {"b.geo", "Exit;\n"}},
                  ""},
        tree_case{"include_outside",
                  {{"m.geo", point + "Include \"../outside.geo\";\n"}},
                  "in/m.geo:2: 'Include' \"../outside.geo\" reads a file outside the folder of "
                  "the problem file ("},
        tree_case{"itself",
                  {{"m.geo", point + "Include \"m.geo\";\n"}},
                  "in/m.geo:2: reads in/m.geo while it is being read (in/m.geo -> in/m.geo): "
                  "gmsh would read it for ever"},
        tree_case{"cycle",
                  {{"m.geo", "Include \"a.geo\";\n"},
                   {"a.geo", "Include \"sub/b.geo\";\n"},
                   {"sub/b.geo", "Include \"../a.geo\";\n"}},
                  "in/sub/b.geo:1: reads in/a.geo while it is being read (in/a.geo -> "
                  "in/sub/b.geo -> in/a.geo)"},
        // An unclosed quote takes in the rest of the file: the message shows 77 characters.
        tree_case{"long_name",
                  {{"m.geo", "Include \"" + std::string(100, 'a') + "\n\";\n"}},
                  "in/m.geo:1: 'Include' \"" + std::string(77, 'a') +
                      "...\" names a file that does not exist"},
        tree_case{"folder",
                  {{"m.geo", "Include \"sub\";\n"}},
                  "in/m.geo:1: 'Include' \"sub\" names a folder"},
        tree_case{"options_file",
                  {{"m.geo", point}, {"m.geo.opt", "Exit;\n"}},
                  "in/m.geo.opt:1: 'Exit' ends the program reading the script as if all went "
                  "well; a mesh file read by sheetprep may describe geometry and mesh only: "
                  "remove it (gmsh reads this options file along with in/m.geo)"},
        tree_case{"options_file_of_a_merged_mesh",
                  {{"m.geo", "Merge \"a.msh\";\n"},
                   {"a.msh", "$MeshFormat\n4.1 0 8\n$EndMeshFormat\n"},
                   {"a.msh.opt", "SystemCall \"x\";\n"}},
                  "in/a.msh.opt:1: 'SystemCall'"},
        // A .msh file that does not start as one is parsed as a script by gmsh; one that does
        // is not, whatever words it holds, and nor is an .stl.
        tree_case{"script_in_a_msh",
                  {{"m.geo", "Merge \"a.msh\";\n"}, {"a.msh", "SystemCall \"x\";\n"}},
                  "in/a.msh:1: 'SystemCall'"},
        tree_case{"words_in_mesh_files",
                  {{"m.geo", "Merge \"a.msh\";\nMerge \"a.stl\";\n"},
                   {"a.msh", "$MeshFormat\n4.1 0 8\n$EndMeshFormat\n$PhysicalNames\n1\n2 1 Exit\n"},
                   {"a.stl", "SystemCall \"x\";\n"}},
                  ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(guarded_tree, follows_a_link_out_of_the_folder) {
    testing_support::scratch_dir dir;
    fs::create_directories(dir.path() / "in");
    testing_support::write_file(dir.path() / "outside.geo", point);
    fs::create_symlink(dir.path() / "outside.geo", dir.path() / "in" / "link.geo");
    testing_support::write_file(dir.path() / "in" / "m.geo", "Include \"link.geo\";\n");
    EXPECT_THROW(sheetprep::check_mesh_file_scripts(dir.path() / "in" / "m.geo", dir.path() / "in"),
                 sheet::failure);
}

}  // namespace
