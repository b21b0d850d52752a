// Bad input, run for run: exit status 1, one line on standard error that names the problem,
// nothing on standard output, and no input.txt (nor a temporary file) left behind.
#include <gtest/gtest.h>

#include <set>

#include "sheetprep_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using sheetprep_testing::run_sheetprep;

const std::string dorvan_head = "program = \"dorvan\"\nmesh = \"dome.geo\"\n";
const std::string melvar_head = "program = \"melvar\"\nmesh = \"dome.geo\"\n";
const std::string neo_sheet =
    "[sheet]\nthickness = 0.5\nlaw = \"neo-hookean\"\nshear = 1.0\nbulk = 100.0\n";
const std::string rim_support = "[[support]]\ngroup = \"rim\"\nx = 0\ny = 0\nz = 0\n";
const std::string dorvan_problem = dorvan_head + neo_sheet + rim_support;

// A .geo of the unit square in which extra lines change how it is meshed.
std::string square_geo(const std::string& extra) {
    return "Point(1) = {0, 0, 0, 0.5};\nPoint(2) = {1, 0, 0, 0.5};\nPoint(3) = {1, 1, 0, 0.5};\n"
           "Point(4) = {0, 1, 0, 0.5};\nLine(1) = {1, 2};\nLine(2) = {2, 3};\nLine(3) = {3, 4};\n"
           "Line(4) = {4, 1};\nCurve Loop(1) = {1, 2, 3, 4};\n" +
           extra + "Physical Curve(\"rim\") = {1, 2, 3, 4};\n";
}
const std::string surface = "Plane Surface(1) = {1};\nPhysical Surface(\"face\") = {1};\n";

struct failure_case {
    const char* name;
    std::string problem;  // problem.toml
    std::string message;  // a part of the one line on standard error
    std::vector<std::pair<std::string, std::string>> files = {};  // more files: name, text
    std::vector<std::string> arguments = {"problem.toml"};
};

class bad_input : public ::testing::TestWithParam<failure_case> {};

TEST_P(bad_input, fails_with_one_line_and_writes_nothing) {
    const failure_case& c = GetParam();
    scratch_dir dir;
    std::set<std::string> written = {"problem.toml", "dome.geo"};
    write_file(dir.path() / "problem.toml", c.problem);
    fs::copy_file(sheetprep_testing::data_file("dome.geo"), dir.path() / "dome.geo");
    for (const auto& [name, text] : c.files) {
        write_file(dir.path() / name, text);
        written.insert(name);
    }
    const run_result run = run_sheetprep(c.arguments, dir.path());

    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("sheetprep: ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, written);
}

INSTANTIATE_TEST_SUITE_P(
    kinds, bad_input,
    ::testing::Values(
        failure_case{"toml_syntax", dorvan_head + "title = \"open\n" + neo_sheet,
                     "problem.toml:3:"},
        failure_case{"unknown_key_at_top", dorvan_head + "titel = \"x\"\n" + neo_sheet,
                     "problem.toml:3:1: unknown key 'titel' in the problem file"},
        failure_case{"misspelt_constant",
                     dorvan_head + "[sheet]\nthickness = 0.5\nlaw = \"neo-hookean\"\nshear = 1.0\n"
                                   "bluk = 100.0\n",
                     "unknown key 'bluk' in [sheet] (it takes thickness, law, shear, bulk)"},
        failure_case{"bulk_for_melvar", melvar_head + neo_sheet,
                     "unknown key 'bulk' in [sheet] (it takes thickness, law, shear)"},
        failure_case{"unknown_key_in_settings", dorvan_problem + "[settings]\nmemory = 4\n",
                     "unknown key 'memory' in [settings]"},
        failure_case{"unknown_key_in_load",
                     dorvan_problem + "[[load]]\ngroup = \"dome\"\npressur = 1.0\n",
                     "unknown key 'pressur' in [[load]] 1"},
        failure_case{"missing_program", "mesh = \"dome.geo\"\n" + neo_sheet,
                     "problem.toml:1:1: the problem file lacks the key 'program'"},
        failure_case{"missing_sheet", dorvan_head, "lacks the key 'sheet'"},
        failure_case{"missing_thickness",
                     dorvan_head + "[sheet]\nlaw = \"neo-hookean\"\nshear = 1.0\nbulk = 1.0\n",
                     "[sheet] lacks the key 'thickness'"},
        failure_case{"missing_constant",
                     dorvan_head + "[sheet]\nthickness = 0.5\nlaw = \"neo-hookean\"\nshear = 1.0\n",
                     "[sheet] lacks the key 'bulk'"},
        failure_case{"thickness_as_text",
                     dorvan_head + "[sheet]\nthickness = \"0.5\"\nlaw = \"neo-hookean\"\n"
                                   "shear = 1.0\nbulk = 1.0\n",
                     "problem.toml:4:13: 'thickness' must be a number"},
        failure_case{"thickness_zero",
                     dorvan_head + "[sheet]\nthickness = 0\nlaw = \"neo-hookean\"\nshear = 1.0\n"
                                   "bulk = 1.0\n",
                     "'thickness' must be above 0"},
        failure_case{"iterations_not_integer",
                     dorvan_problem + "[settings]\nmax_iterations = 2.5\n",
                     "'max_iterations' must be an integer"},
        failure_case{"iterations_beyond_32_bits",
                     dorvan_problem + "[settings]\nmax_iterations = 4000000000\n",
                     "'max_iterations' must fit in 32 bits"},
        failure_case{"pressure_infinite",
                     dorvan_problem + "[[load]]\ngroup = \"dome\"\npressure = inf\n",
                     "'pressure' must be finite"},
        failure_case{"traction_of_two_numbers",
                     dorvan_problem + "[[load]]\ngroup = \"dome\"\ntraction = [1, 2]\n",
                     "'traction' must be an array of three numbers"},
        failure_case{"law_dorvan_lacks",
                     dorvan_head + "[sheet]\nthickness = 0.5\nlaw = \"arruda-boyce\"\n"
                                   "shear = 1.0\nlocking_stretch = 2.0\n",
                     "law 'arruda-boyce' is not one of dorvan's: neo-hookean, mooney-rivlin"},
        failure_case{"unknown_program", "program = \"dorvin\"\nmesh = \"dome.geo\"\n" + neo_sheet,
                     "program 'dorvin' is neither dorvan nor melvar"},
        failure_case{"title_like_a_header", dorvan_head + "title = \": nodes\"\n" + neo_sheet,
                     "'title' must not start with ':'"},
        failure_case{"support_as_a_table", dorvan_head + neo_sheet + "[support]\ngroup = \"rim\"\n",
                     "'support' must be written as [[support]] tables"},
        failure_case{"support_of_no_component", dorvan_problem + "[[support]]\ngroup = \"top\"\n",
                     "[[support]] 2 (group 'top') prescribes none of x, y, z"},
        failure_case{"load_of_no_kind", dorvan_problem + "[[load]]\ngroup = \"dome\"\n",
                     "[[load]] 1 (group 'dome') gives no load"},
        failure_case{
            "load_of_two_kinds",
            dorvan_problem + "[[load]]\ngroup = \"dome\"\npressure = 1.0\ntraction = [0, 0, 1]\n",
            "gives pressure and traction; one kind per [[load]]"},
        failure_case{"missing_problem_file",
                     "",
                     "cannot open problem file nothere.toml",
                     {},
                     {"nothere.toml"}},
        failure_case{"missing_mesh", "program = \"dorvan\"\nmesh = \"nothere.geo\"\n" + neo_sheet,
                     "cannot open mesh nothere.geo: No such file or directory"},
        failure_case{"mesh_gmsh_cannot_read",
                     "program = \"dorvan\"\nmesh = \"bad.msh\"\n" + neo_sheet,
                     "gmsh failed on bad.msh",
                     {{"bad.msh", "$MeshFormat\n4.1 0 8\n$EndMeshFormat\n$Nodes\nnot a number\n"}}},
        failure_case{"geo_gmsh_cannot_read",
                     "program = \"dorvan\"\nmesh = \"bad.geo\"\n" + neo_sheet,
                     "gmsh failed on bad.geo",
                     {{"bad.geo", "Point(1) = {0, 0, 0;\n"}}},
        failure_case{"mesh_size_for_a_msh",
                     "program = \"dorvan\"\nmesh = \"bad.msh\"\nmesh_size = 0.1\n" + neo_sheet,
                     "mesh_size applies to a .geo script only",
                     {{"bad.msh", ""}}},
        failure_case{"no_triangles",
                     "program = \"dorvan\"\nmesh = \"lines.geo\"\n" + neo_sheet,
                     "lines.geo: the mesh has no 3-node triangles",
                     {{"lines.geo", square_geo("")}}},
        failure_case{"six_node_triangles",
                     "program = \"dorvan\"\nmesh = \"square.geo\"\n" + neo_sheet,
                     "Triangle 6 elements; mesh with first-order triangles only",
                     {{"square.geo", square_geo(surface + "Mesh.ElementOrder = 2;\n")}}},
        failure_case{"quadrangles",
                     "program = \"dorvan\"\nmesh = \"square.geo\"\n" + neo_sheet,
                     "Quadrilateral 4 elements; mesh with first-order triangles only",
                     {{"square.geo", square_geo(surface + "Recombine Surface {1};\n")}}},
        failure_case{"group_the_mesh_lacks",
                     dorvan_head + neo_sheet + "[[support]]\ngroup = \"rimm\"\nz = 0\n",
                     "dome.geo has no physical group 'rimm' (it has 'top', 'centre', 'rim', "
                     "'dome')"},
        failure_case{"pressure_on_a_curve",
                     dorvan_problem + "[[load]]\ngroup = \"rim\"\npressure = 1.0\n",
                     "[[load]] 1: a pressure needs a surface group, and 'rim' is a curve group"},
        failure_case{"line_load_on_a_surface",
                     dorvan_problem + "[[load]]\ngroup = \"dome\"\nline_load = [1, 0, 0]\n",
                     "a line_load needs a curve group, and 'dome' is a surface group"},
        failure_case{"force_on_a_curve",
                     dorvan_problem + "[[load]]\ngroup = \"rim\"\nforce = [1, 0, 0]\n",
                     "a force needs a point group, and 'rim' is a curve group"},
        failure_case{"group_off_the_sheet",
                     dorvan_problem + "[[support]]\ngroup = \"centre\"\nz = 0\n",
                     "physical group 'centre' holds gmsh node"},
        failure_case{"support_conflict",
                     dorvan_problem + "[[support]]\ngroup = \"dome\"\nx = 0\nz = 0.5\n",
                     "supports 'rim' and 'dome' prescribe different z values (0 and 0.5) at "
                     "node 1 (2, 0, 0)"},
        failure_case{"output_cannot_be_created",
                     dorvan_problem,
                     "cannot create no/such/input.txt: No such file or directory",
                     {},
                     {"-o", "no/such/input.txt", "problem.toml"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
