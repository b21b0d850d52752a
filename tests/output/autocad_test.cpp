// autocad.scr from hand-made models: the sixteen steps, the blanks and empty lines that act as
// Enter, the coordinates without a sign column, and the deformed positions of both programs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dorvan/program.hpp"
#include "melvar/program.hpp"
#include "output/hand_model.hpp"
#include "sheet/model/loading.hpp"
#include "sheet/output/autocad.hpp"
#include "support/program_run.hpp"

namespace {

using namespace writers_test;
using testing_support::read_file;
using testing_support::scratch_dir;

// Two triangles on four nodes with negative coordinates. Node 1 is prescribed in all three
// directions, node 4 in Z only; the free displacements are set after start.
template <class Model, class Start>
std::string script_of(Model& m, Start start) {
    fill(m, {{0.0, 0.0, 0.0}, {1.0, -0.25, 0.0}, {1.0, 1.0, 0.5}, {-2.0, 1.0, 0.0}},
         {{1, 2, 3}, {1, 3, 4}}, {{1, 1, 0.125}, {1, 2, -0.25}, {1, 3, 0.5}, {4, 3, -0.75}}, {});
    start(m);
    const component_value free[] = {{2, 1, 0.5}, {2, 2, 0.25}, {2, 3, -1.0}, {3, 1, -1.5},
                                    {3, 2, 0.0}, {3, 3, 2.0},  {4, 1, 0.25}, {4, 2, -3.0}};
    for (const component_value& f : free) {
        EXPECT_LE(m.numbering.dof_map(f.node, f.direction), m.numbering.free_count);
        m.unknowns.x(m.numbering.dof_map(f.node, f.direction)) = f.value;
    }
    scratch_dir dir;
    {
        working_directory here(dir.path());
        m.results.displacements =
            sheet::displacements_at(m.problem, m.numbering, m.unknowns.x, sheet::load_state{});
        sheet::autocad(m);
    }
    return read_file(dir.path() / "autocad.scr");
}

TEST(autocad, sixteen_steps_of_a_two_element_model) {
    dorvan::model m;
    const std::string text = script_of(m, [](dorvan::model& d) { dorvan::program::start(d); });
    const std::vector<std::string> expected = {
        "osmode 0", "layer make Initial_2 ", "pface", "0.000000E+00,0.000000E+00,0.000000E+00",
        "1.000000E+00,-2.500000E-01,0.000000E+00", "1.000000E+00,1.000000E+00,5.000000E-01",
        "-2.000000E+00,1.000000E+00,0.000000E+00", "", "1 2 3", "", "1 3 4", "", "",
        "layer make Final_2 ", "pface",
        // Node 1 at its initial position plus its prescribed displacements.
        "1.250000E-01,-2.500000E-01,5.000000E-01", "1.500000E+00,0.000000E+00,-1.000000E+00",
        "-5.000000E-01,1.000000E+00,2.500000E+00", "-1.750000E+00,-2.000000E+00,-7.500000E-01", "",
        "1 2 3", "", "1 3 4", "", "", "layer off Initial_2 ", "layer set 0 ", "zoom ext ext"};
    EXPECT_EQ(text, crlf_text(expected));
    const std::vector<std::string> lines = crlf_lines(text);
    ASSERT_EQ(lines.size(), expected.size());
    EXPECT_EQ(lines[1].size(), 21u);
    EXPECT_EQ(lines[13].size(), 19u);
    EXPECT_EQ(lines[25].size(), 20u);
    EXPECT_EQ(lines[26].size(), 12u);
}

TEST(autocad, melvar_draws_the_same_script) {
    dorvan::model d;
    melvar::model m;
    const std::string of_dorvan = script_of(d, [](dorvan::model& x) { dorvan::program::start(x); });
    const std::string of_melvar = script_of(m, [](melvar::model& x) { melvar::program::start(x); });
    EXPECT_EQ(of_melvar, of_dorvan);
}

std::string script_without_solution(const std::vector<point>& nodes) {
    dorvan::model m;
    fill(m, nodes, {}, {}, {});
    dorvan::program::start(m);
    scratch_dir dir;
    {
        working_directory here(dir.path());
        m.results.displacements =
            sheet::displacements_at(m.problem, m.numbering, m.unknowns.x, sheet::load_state{});
        sheet::autocad(m);
    }
    return read_file(dir.path() / "autocad.scr");
}

TEST(autocad, no_elements_end_each_vertex_list_with_two_empty_lines) {
    EXPECT_EQ(script_without_solution({{1.0, -0.25, 0.0}}),
              crlf_text({"osmode 0", "layer make Initial_2 ", "pface",
                         "1.000000E+00,-2.500000E-01,0.000000E+00", "", "", "layer make Final_2 ",
                         "pface", "1.000000E+00,-2.500000E-01,0.000000E+00", "", "",
                         "layer off Initial_2 ", "layer set 0 ", "zoom ext ext"}));
}

TEST(autocad, no_nodes_put_the_empty_lines_right_after_pface) {
    EXPECT_EQ(
        script_without_solution({}),
        crlf_text({"osmode 0", "layer make Initial_2 ", "pface", "", "", "layer make Final_2 ",
                   "pface", "", "", "layer off Initial_2 ", "layer set 0 ", "zoom ext ext"}));
}

}  // namespace
