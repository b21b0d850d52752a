// Bad input, run for run: exit status 1, one line on standard error that names the problem,
// nothing on standard output, and no input.txt (nor a temporary file) left behind.
#include <gtest/gtest.h>

#include <set>

#include "sheetprep_run.hpp"

namespace {

namespace fs = std::filesystem;

const std::string head = "program = \"dorvan\"\nmesh = \"dome.geo\"\n";
const std::string sheet = "[sheet]\nthickness = 0.5\nlaw = \"neo-hookean\"\nshear = 1\nbulk = 9\n";
const std::string held = head + sheet + "[[support]]\ngroup = \"rim\"\nx = 0\ny = 0\nz = 0\n";
std::string on(const std::string& mesh) {
    return "program = \"dorvan\"\nmesh = \"" + mesh + "\"\n" + sheet;
}
// The unit square, meshed as the extra lines say.
std::string square(const std::string& extra) {
    return "Point(1) = {0, 0, 0, 0.5};\nPoint(2) = {1, 0, 0, 0.5};\nPoint(3) = {1, 1, 0, 0.5};\n"
           "Point(4) = {0, 1, 0, 0.5};\nLine(1) = {1, 2};\nLine(2) = {2, 3};\nLine(3) = {3, 4};\n"
           "Line(4) = {4, 1};\nCurve Loop(1) = {1, 2, 3, 4};\n" +
           extra;
}
const std::string face = "Plane Surface(1) = {1};\n";

struct failure_case {
    const char* name;
    std::string problem;                            // problem.toml
    std::string message;                            // a part of the one line on standard error
    std::pair<std::string, std::string> file = {};  // another file: name, text
    std::vector<std::string> arguments = {"problem.toml"};
};

class bad_input : public ::testing::TestWithParam<failure_case> {};

TEST_P(bad_input, fails_with_one_line_and_writes_nothing) {
    const failure_case& c = GetParam();
    testing_support::scratch_dir dir;
    testing_support::write_file(dir.path() / "problem.toml", c.problem);
    fs::copy_file(sheetprep_testing::data_file("dome.geo"), dir.path() / "dome.geo");
    std::set<std::string> written = {"problem.toml", "dome.geo"};
    if (!c.file.first.empty()) {
        testing_support::write_file(dir.path() / c.file.first, c.file.second);
        written.insert(c.file.first);
    }
    const auto run = sheetprep_testing::run_sheetprep(c.arguments, dir.path());
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.find("sheetprep: "), 0u) << run.err;
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
        failure_case{"toml_syntax", head + "title = \"open\n" + sheet, "problem.toml:3:"},
        failure_case{"unknown_key", head + "titel = \"x\"\n" + sheet,
                     "problem.toml:3:1: unknown key 'titel' in the problem file"},
        failure_case{"misspelt_constant",
                     head + "[sheet]\nthickness = 1\nlaw = \"neo-hookean\"\n"
                            "shear = 1.0\nbluk = 100.0\n",
                     "unknown key 'bluk' in [sheet] (it takes thickness, law, shear, bulk)"},
        failure_case{"bulk_for_melvar", "program = \"melvar\"\nmesh = \"dome.geo\"\n" + sheet,
                     "unknown key 'bulk' in [sheet] (it takes thickness, law, shear)"},
        failure_case{"unknown_key_in_load", held + "[[load]]\ngroup = \"dome\"\npressur = 1.0\n",
                     "unknown key 'pressur' in [[load]] 1"},
        failure_case{"missing_value",
                     head + "[sheet]\nlaw = \"neo-hookean\"\nshear = 1\nbulk = 1\n",
                     "[sheet] lacks the key 'thickness'"},
        failure_case{"text_for_a_number",
                     head + "[sheet]\nlaw = \"neo-hookean\"\nthickness = \"0.5\"\n",
                     "problem.toml:5:13: 'thickness' must be a number"},
        failure_case{"real_for_an_integer", held + "[settings]\nmax_iterations = 2.5\n",
                     "'max_iterations' must be an integer"},
        failure_case{"infinite_pressure", held + "[[load]]\ngroup = \"dome\"\npressure = inf\n",
                     "'pressure' must be finite"},
        failure_case{"two_numbers_for_a_vector",
                     held + "[[load]]\ngroup = \"dome\"\ntraction = [1, 2]\n",
                     "'traction' must be an array of three numbers"},
        failure_case{"law_dorvan_lacks", head + "[sheet]\nthickness = 1\nlaw = \"arruda-boyce\"\n",
                     "law 'arruda-boyce' is not one of dorvan's: neo-hookean, mooney-rivlin"},
        failure_case{"title_like_a_header", head + "title = \": nodes\"\n" + sheet,
                     "'title' must not start with ':'"},
        failure_case{"load_of_no_kind", held + "[[load]]\ngroup = \"dome\"\n",
                     "[[load]] 1 (group 'dome') gives no load"},
        failure_case{"load_of_two_kinds",
                     held + "[[load]]\ngroup = \"dome\"\npressure = 1.0\n"
                            "traction = [0, 0, 1]\n",
                     "gives pressure and traction; one kind per [[load]]"},
        failure_case{
            "missing_problem_file", "", "cannot open problem file none.toml", {}, {"none.toml"}},
        failure_case{"missing_mesh", on("none.geo"), "cannot open mesh none.geo: No such file"},
        failure_case{"mesh_gmsh_cannot_read",
                     on("bad.msh"),
                     "gmsh failed on bad.msh",
                     {"bad.msh", "$MeshFormat\n4.1 0 8\n$EndMeshFormat\n$Nodes\nnot a number\n"}},
        failure_case{"mesh_size_for_a_msh",
                     "program = \"dorvan\"\nmesh = \"a.msh\"\nmesh_size = 0.1\n" + sheet,
                     "mesh_size applies to a .geo script only",
                     {"a.msh", ""}},
        failure_case{"no_triangles",
                     on("lines.geo"),
                     "lines.geo: the mesh has no 3-node triangles",
                     {"lines.geo", square("")}},
        failure_case{"six_node_triangles",
                     on("a.geo"),
                     "Triangle 6 elements; mesh with first-order triangles only",
                     {"a.geo", square(face + "Mesh.ElementOrder = 2;\n")}},
        failure_case{"quadrangles",
                     on("a.geo"),
                     "Quadrilateral 4 elements; mesh with first-order triangles only",
                     {"a.geo", square(face + "Recombine Surface {1};\n")}},
        failure_case{
            "group_the_mesh_lacks", head + sheet + "[[support]]\ngroup = \"rimm\"\nz = 0\n",
            "dome.geo has no physical group 'rimm' (it has 'top', 'centre', 'rim', 'dome')"},
        failure_case{"pressure_on_a_curve", held + "[[load]]\ngroup = \"rim\"\npressure = 1.0\n",
                     "[[load]] 1: a pressure needs a surface group, and 'rim' is a curve group"},
        failure_case{"line_load_on_a_surface",
                     held + "[[load]]\ngroup = \"dome\"\nline_load = [1, 0, 0]\n",
                     "a line_load needs a curve group, and 'dome' is a surface group"},
        failure_case{"group_off_the_sheet", held + "[[support]]\ngroup = \"centre\"\nz = 0\n",
                     "physical group 'centre' holds gmsh node"},
        failure_case{"support_conflict", held + "[[support]]\ngroup = \"dome\"\nx = 0\nz = 0.5\n",
                     "supports 'rim' and 'dome' prescribe different z values (0 and 0.5) at node 1 "
                     "(2, 0, 0)"},
        failure_case{"load_beyond_double",
                     held + "[[load]]\ngroup = \"top\"\nforce = [1e308, 0, 0]\n[[load]]\n"
                            "group = \"top\"\nforce = [1e308, 0, 0]\n",
                     "in X is beyond double precision"},
        failure_case{"follower_on_an_open_edge",
                     head + sheet +
                         "[[support]]\ngroup = \"rim\"\nx = 0\n[[load]]\n"
                         "group = \"dome\"\npressure = 0.1\nfollower = true\n",
                     "node 1 (2, 0, 0) lies on an open edge of the follower pressure's region"},
        failure_case{"follower_not_a_boolean",
                     held + "[[load]]\ngroup = \"dome\"\npressure = 1.0\nfollower = 1\n",
                     "problem.toml:16:12: 'follower' must be true or false"},
        failure_case{"follower_traction",
                     held + "[[load]]\ngroup = \"dome\"\ntraction = [0, 0, 1]\nfollower = true\n",
                     "'follower' applies to a pressure only, and this is a traction"},
        failure_case{"output_cannot_be_created",
                     held,
                     "cannot create no/such/input.txt: No such file",
                     {},
                     {"-o", "no/such/input.txt", "problem.toml"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
