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
// A [[chamber]] on the dome with these lines.
std::string chamber(const std::string& lines) {
    return "[[chamber]]\ngroup = \"dome\"\n" + lines;
}
// The unit square, meshed as the extra lines say.
std::string square(const std::string& extra) {
    return "Point(1) = {0, 0, 0, 0.5};\nPoint(2) = {1, 0, 0, 0.5};\nPoint(3) = {1, 1, 0, 0.5};\n"
           "Point(4) = {0, 1, 0, 0.5};\nLine(1) = {1, 2};\nLine(2) = {2, 3};\nLine(3) = {3, 4};\n"
           "Line(4) = {4, 1};\nCurve Loop(1) = {1, 2, 3, 4};\n" +
           extra;
}
const std::string face = "Plane Surface(1) = {1};\n";
// The test dome with the loop of its second quarter reversed.
std::string reversed_dome() {
    const std::string dome = testing_support::read_file(sheetprep_testing::data_file("dome.geo"));
    const std::string loop = "Curve Loop(2) = {2, 7, -6};";
    return dome.substr(0, dome.find(loop)) + "Curve Loop(2) = {6, -7, -2};" +
           dome.substr(dome.find(loop) + loop.size());
}
// A .msh 2.2 with these elements (lines "number type 2 physical entity nodes...") over the corners
// of the unit tetrahedron.
std::string msh(const std::string& names, const std::string& elements, int count) {
    return "$MeshFormat\n2.2 0 8\n$EndMeshFormat\n$PhysicalNames\n1\n" + names +
           "\n$EndPhysicalNames\n$Nodes\n4\n1 0 0 0\n2 1 0 0\n3 0 1 0\n4 0 0 1\n$EndNodes\n"
           "$Elements\n" +
           std::to_string(count) + "\n" + elements + "$EndElements\n";
}
// The sheet section of dorvan with a law's lines, or of melvar.
std::string law(const std::string& program, const std::string& lines) {
    return "program = \"" + program + "\"\nmesh = \"dome.geo\"\n[sheet]\nthickness = 0.5\n" +
           lines + "[[support]]\ngroup = \"rim\"\nz = 0\n";
}

struct failure_case {
    const char* name;
    std::string problem;                            // problem.toml
    std::string message;                            // a part of the one line on standard error
    std::pair<std::string, std::string> file = {};  // another file: name, text
    std::vector<std::string> arguments = {"problem.toml"};
};

void PrintTo(const failure_case& c, std::ostream* out) {
    *out << c.name;
}

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
        // A line break quoted from the file stays inside the one line, escaped.
        failure_case{"toml_error_quoting_a_line_break", "i = i\n", "saw 'i\\n'"},
        failure_case{"group_name_with_a_line_break",
                     head + sheet + "[[support]]\ngroup = \"a\\nb\"\nz = 0\n",
                     "has no physical group 'a\\nb'"},
        failure_case{"negative_shear",
                     law("dorvan", "law = \"neo-hookean\"\nshear = -1\nbulk = 9\n"),
                     "problem.toml:6:9: 'shear' must be above 0 (a shear modulus of 0 or below"},
        failure_case{"zero_bulk", law("dorvan", "law = \"neo-hookean\"\nshear = 1\nbulk = 0\n"),
                     "problem.toml:7:8: 'bulk' must be above 0"},
        failure_case{"mooney_rivlin_without_shear",
                     law("melvar", "law = \"mooney-rivlin\"\nc10 = 0.5\nc01 = -0.5\n"),
                     "problem.toml:7:7: 'c10' + 'c01' must be above 0"},
        failure_case{"locking_stretch_of_one",
                     law("melvar", "law = \"arruda-boyce\"\nshear = 1\nlocking_stretch = 1\n"),
                     "problem.toml:7:19: 'locking_stretch' must be above 1"},
        failure_case{"zero_thickness",
                     head + "[sheet]\nthickness = 0\nlaw = \"neo-hookean\"\nshear = 1\nbulk = 9\n",
                     "problem.toml:4:13: 'thickness' must be above 0"},
        failure_case{"no_support", head + sheet, "no [[support]] holds the sheet"},
        failure_case{"nul_byte", std::string("title = \"a\0b\"\n", 14) + held,
                     "problem.toml: holds a NUL byte"},
        failure_case{"mesh_without_end", on("/dev/zero"),
                     "cannot open mesh /dev/zero: not a regular file"},
        failure_case{"geo_with_a_volume",
                     on("box.geo"),
                     "box.geo: the model has 1 volume; the sheet is a surface mesh",
                     {"box.geo", "SetFactory(\"OpenCASCADE\");\nBox(1) = {0, 0, 0, 1, 1, 1};\n"}},
        failure_case{"msh_with_tetrahedra",
                     on("tet.msh"),
                     "tet.msh: the mesh holds 3-D elements (Tetrahedron 4)",
                     {"tet.msh", msh("2 1 \"face\"", "1 2 2 1 1 1 2 3\n2 4 2 2 1 1 2 3 4\n", 2)}},
        failure_case{"msh_without_physical_surface",
                     on("edge.msh"),
                     "edge.msh: no physical surface group is defined",
                     {"edge.msh", msh("1 1 \"edge\"", "1 1 2 1 1 1 2\n", 1)}},
        failure_case{"pressure_group_turned_both_ways",
                     "program = \"dorvan\"\nmesh = \"rev.geo\"\n" + sheet +
                         "[[support]]\ngroup = \"rim\"\nz = 0\n[[load]]\ngroup = \"dome\"\n"
                         "pressure = 1\n",
                     "pressure group 'dome' is not consistently oriented: elements 46 and 89 both "
                     "run from node 37 to node 38",
                     {"rev.geo", reversed_dome()}},
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
        failure_case{"chamber_unknown_key", held + chamber("volume_ration = 2\n"),
                     "unknown key 'volume_ration' in [[chamber]] 1 (it takes group, groups, "},
        failure_case{"chamber_as_one_table", held + "[chamber]\ngroup = \"dome\"\n",
                     "'chamber' must be written as [[chamber]] tables"},
        failure_case{"chamber_without_group", held + "[[chamber]]\nvolume_ratio = 2\n",
                     "[[chamber]] 1 needs one of 'group' (a name) and 'groups'"},
        failure_case{"chamber_group_and_groups",
                     held + chamber("groups = [\"dome\"]\nvolume_ratio = 2\n"),
                     "[[chamber]] 1 needs one of 'group' (a name) and 'groups'"},
        failure_case{"chamber_groups_empty", held + "[[chamber]]\ngroups = []\nvolume_ratio = 2\n",
                     "'groups' must be an array of group names, at least one"},
        failure_case{"chamber_without_control", held + chamber(""),
                     "[[chamber]] 1 (group 'dome') gives no control"},
        failure_case{"chamber_two_controls", held + chamber("volume_ratio = 2\ngas_pressure = 1\n"),
                     "gives volume_ratio and gas_pressure; one control per [[chamber]]"},
        failure_case{"chamber_ratio_zero", held + chamber("volume_ratio = 0\n"),
                     "problem.toml:15:16: 'volume_ratio' must be above 0"},
        failure_case{"chamber_gas_pressure_negative", held + chamber("gas_pressure = -1\n"),
                     "'gas_pressure' must be above 0"},
        failure_case{"chamber_exponent_zero", held + chamber("gas_pressure = 1\nexponent = 0\n"),
                     "'exponent' must be above 0 (1 isothermal, 1.4 adiabatic air)"},
        failure_case{"chamber_gas_key_without_gas",
                     held + chamber("volume_ratio = 2\nextra_volume = 1\n"),
                     "'extra_volume' applies to a gas (gas_pressure) only"},
        failure_case{"chamber_gas_reference_without_room",
                     held + chamber("gas_pressure = 1\nreference_volume = 1\nextra_volume = -1\n"),
                     "'reference_volume' + 'extra_volume' must be above 0"},
        failure_case{"chamber_on_a_curve",
                     held + "[[chamber]]\ngroups = [\"dome\", \"rim\"]\npressure = 1\n",
                     "[[chamber]] 1: a chamber needs surface groups, and 'rim' is a curve group"},
        failure_case{"chamber_group_the_mesh_lacks",
                     held + "[[chamber]]\ngroup = \"skin\"\npressure = 1\n",
                     "dome.geo has no physical group 'skin'"},
        failure_case{
            "chamber_open",
            head + sheet + "[[support]]\ngroup = \"rim\"\nx = 0\n" + chamber("volume_change = 1\n"),
            "[[chamber]] 1: node 1 (2, 0, 0) lies on an open edge of the chamber"},
        failure_case{"chamber_ratio_of_a_flat_sheet",
                     "program = \"dorvan\"\nmesh = \"flat.geo\"\n" + sheet +
                         "[[support]]\ngroup = \"edge\"\nx = 0\ny = 0\nz = 0\n[[chamber]]\n"
                         "group = \"face\"\nvolume_ratio = 2\n",
                     "[[chamber]] 1: volume_ratio needs a true enclosed volume, and the chamber's "
                     "initial volume 0 is not above 0",
                     {"flat.geo", square(face + "Physical Curve(\"edge\") = {1, 2, 3, 4};\n"
                                                "Physical Surface(\"face\") = {1};\n")}},
        failure_case{"chamber_change_collapses", held + chamber("volume_change = -20\n"),
                     "[[chamber]] 1: volume_change -20 takes the chamber's initial volume 16."},
        failure_case{"chamber_gas_without_room",
                     held + chamber("gas_pressure = 1\nextra_volume = -20\n"),
                     "[[chamber]] 1: the gas has no room: the chamber's initial volume 16."},
        failure_case{"triangle_in_two_chambers",
                     held + chamber("pressure = 1\n") + chamber("volume_change = 1\n"),
                     "[[chamber]] 2: triangle 1 belongs to [[chamber]] 1 already"},
        failure_case{"chamber_under_a_follower_pressure",
                     held + "[[load]]\ngroup = \"dome\"\npressure = 0.1\nfollower = true\n" +
                         chamber("volume_change = 1\n"),
                     "[[chamber]] 1: triangle 1 carries a follower pressure too"},
        failure_case{"output_cannot_be_created",
                     held,
                     "cannot create no/such/input.txt: the directory 'no/such' does not exist",
                     {},
                     {"-o", "no/such/input.txt", "problem.toml"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
