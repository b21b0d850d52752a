// output.txt of both programs from hand-made models: the header box, the node table, the element
// table with its Max/Min line, the reaction rule of the force table, and the CR LF line ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dorvan/program.hpp"
#include "melvar/program.hpp"
#include "output/hand_model.hpp"
#include "sheet/output/autocad.hpp"
#include "sheet/output/vtu.hpp"
#include "support/program_run.hpp"

namespace {

using namespace writers_test;
using testing_support::read_file;
using testing_support::scratch_dir;

// Six nodes: node 1 fully fixed and away from the mesh; nodes 2, 3, 4 the corners of one
// undeformed right triangle (its nodal forces are zero, so every reaction is the negated load);
// node 5 free, in no element; node 6 fixed in X only. The loads probe the reaction rule:
// node 1 carries exactly the tolerance, node 2 a load below it in Y, node 4 a load on a free
// component, node 5 a load on a node without supports.
template <class Model>
void reaction_model(Model& m) {
    fill(m,
         {{5.0, 5.0, 0.0},
          {0.0, 0.0, 0.0},
          {1.0, 0.0, 0.0},
          {0.0, 1.0, 0.0},
          {2.0, 2.0, 0.0},
          {3.0, 3.0, 0.0}},
         {{2, 3, 4}},
         {{1, 1, 0.0},
          {1, 2, 0.0123456789},
          {1, 3, -0.3},
          {2, 1, 0.0},
          {2, 2, 0.0},
          {2, 3, 0.0},
          {3, 2, 0.0},
          {4, 3, 0.0},
          {6, 1, 0.0}},
         {{1, 1, 0.001},
          {2, 1, 2.0},
          {2, 2, 0.0005},
          {2, 3, -1.25},
          {3, 2, 3.5},
          {4, 3, 0.75},
          {4, 1, 9.0},
          {5, 2, 100.0},
          {6, 1, -0.0011}});
}

// Sets the free displacement of component (i, j) after start.
void set_free(sheet::model& m, std::int32_t i, std::int32_t j, double value) {
    ASSERT_LE(m.numbering.dof_map(i, j), m.numbering.free_count);
    m.unknowns.x(m.numbering.dof_map(i, j)) = value;
}

template <class Model, class Start, class Output>
std::string report_of(Model& m, Start start, Output output) {
    start(m);
    set_free(m, 5, 1, 1.5);
    set_free(m, 5, 2, -2.5);
    m.results.minor = 37;
    m.results.energy = 1.5;
    scratch_dir dir;
    {
        working_directory here(dir.path());
        output(m);
    }
    return read_file(dir.path() / "output.txt");
}

std::vector<std::string> head_and_nodes() {
    return {hyphens(65),
            "| Minor Iterations                            |              37 |",
            "| Total Potential Energy                      |  1.50000000E+00 |",
            "| Allowable Maximum Residue                   |  1.00000000E-03 |",
            hyphens(65),
            "",
            "",
            hyphens(65),
            " Node             Displ X             Displ Y             Displ Z",
            hyphens(65),
            "    1      0.00000000E+00      1.23456789E-02     -3.00000000E-01",
            "    2      0.00000000E+00      0.00000000E+00      0.00000000E+00",
            "    3      0.00000000E+00      0.00000000E+00      0.00000000E+00",
            "    4      0.00000000E+00      0.00000000E+00      0.00000000E+00",
            "    5      1.50000000E+00     -2.50000000E+00      0.00000000E+00",
            "    6      0.00000000E+00      0.00000000E+00      0.00000000E+00",
            "",
            ""};
}

// Node 2: X and Z reported, Y (below the tolerance) blank; node 3: Y only; node 4: Z only,
// after 36 blanks; node 6: X only. Nodes 1 and 5 get no line.
std::vector<std::string> force_table() {
    return {hyphens(59),
            " Node           Force X           Force Y           Force Z",
            hyphens(59),
            "    2     -2.000000E+00" + blanks(18) + "      1.250000E+00",
            "    3                       -3.500000E+00",
            "    4" + blanks(36) + "     -7.500000E-01",
            "    6      1.100000E-03"};
}

std::vector<std::string> joined(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(report, dorvan_whole_file_of_a_small_model) {
    dorvan::model m;
    reaction_model(m);
    m.law = dorvan::neo_hookean{1.0, 4.0};
    const std::string text = report_of(
        m, [](dorvan::model& d) { dorvan::program::start(d); },
        [](dorvan::model& d) { report(d); });
    std::vector<std::string> expected = head_and_nodes();
    expected = joined(expected, {
                                    hyphens(59),
                                    " Elem         Thickness            Sigma1            Sigma2",
                                    hyphens(59),
                                    "    1      5.000000E-01      0.000000E+00      0.000000E+00",
                                    hyphens(59),
                                    "Max/Min                      0.000000E+00      0.000000E+00",
                                    "",
                                    "",
                                });
    expected = joined(expected, force_table());
    EXPECT_EQ(text, crlf_text(expected));
    const std::vector<std::string> lines = crlf_lines(text);
    ASSERT_EQ(lines.size(), expected.size());
    // The sample line of a node with a reaction in direction 2 only, and the column widths.
    EXPECT_EQ(lines[lines.size() - 3], "    3                       -3.500000E+00");
    EXPECT_EQ(lines[1].size(), 65u);
    EXPECT_EQ(lines[21].size(), 59u);
}

TEST(report, melvar_whole_file_of_a_small_model) {
    melvar::model m;
    reaction_model(m);
    m.law = melvar::neo_hookean{1.0};
    const std::string text = report_of(
        m, [](melvar::model& d) { melvar::program::start(d); },
        [](melvar::model& d) { report(d); });
    std::vector<std::string> expected = head_and_nodes();
    expected = joined(expected, {
                                    hyphens(41),
                                    " Elem            Sigma1            Sigma2",
                                    hyphens(41),
                                    "    1      0.000000E+00      0.000000E+00",
                                    hyphens(41),
                                    "Max/Min    0.000000E+00      0.000000E+00",
                                    "",
                                    "",
                                });
    expected = joined(expected, force_table());
    EXPECT_EQ(text, crlf_text(expected));
}

// Every writer reads the solved model and its final state and changes nothing in it: the loads
// stay as read (the reactions have their own array), and so do the unknowns and the results.
TEST(writers, leave_the_model_as_they_found_it) {
    dorvan::model m;
    reaction_model(m);
    m.law = dorvan::neo_hookean{1.0, 4.0};
    dorvan::program::start(m);
    set_free(m, 5, 1, 1.5);
    dorvan::program::find_final_state(m);
    const auto copy = [](const auto& values) {
        return std::vector<double>(values.begin(), values.end());
    };
    const std::vector<double> loads = copy(m.problem.loads.all());
    const std::vector<double> reactions = copy(m.results.reactions.all());
    const std::vector<double> x = copy(m.unknowns.x.view(1, m.numbering.unknown_count));
    std::vector<double> rows;
    for (const sheet::element_row& row : m.results.rows)
        rows.insert(rows.end(), {row.thickness, row.stress.sigma1, row.stress.sigma2});
    scratch_dir dir;
    {
        working_directory here(dir.path());
        dorvan::program::ansys(m);
        sheet::autocad(m);
        dorvan::program::output(m);
        sheet::vtu("sheet.vtu", m, {});
    }
    EXPECT_EQ(copy(m.problem.loads.all()), loads);
    EXPECT_EQ(copy(m.results.reactions.all()), reactions);
    EXPECT_EQ(copy(m.unknowns.x.view(1, m.numbering.unknown_count)), x);
    std::vector<double> rows_after;
    for (const sheet::element_row& row : m.results.rows)
        rows_after.insert(rows_after.end(), {row.thickness, row.stress.sigma1, row.stress.sigma2});
    EXPECT_EQ(rows_after, rows);
    // The reaction of a prescribed component is its negated load here (the triangle is unloaded
    // and undeformed), while the load itself is kept.
    EXPECT_EQ(m.problem.loads(2, 1), 2.0);
    EXPECT_EQ(m.results.reactions(2, 1), -2.0);
}

TEST(report, header_widens_with_a_three_digit_exponent) {
    dorvan::model m;
    reaction_model(m);
    m.law = dorvan::neo_hookean{1.0, 4.0};
    dorvan::program::start(m);
    m.results.minor = 37;
    m.results.energy = -1.25E+150;
    m.results.tolerance = 2.5E-120;
    scratch_dir dir;
    {
        working_directory here(dir.path());
        report(m);
    }
    const std::vector<std::string> lines = crlf_lines(read_file(dir.path() / "output.txt"));
    ASSERT_GT(lines.size(), 5u);
    EXPECT_EQ(lines[1], "| Minor Iterations                            |              37 |");
    EXPECT_EQ(lines[2], "| Total Potential Energy                      | -1.25000000E+150 |");
    EXPECT_EQ(lines[3], "| Allowable Maximum Residue                   |  2.50000000E-120 |");
    EXPECT_EQ(lines[4], hyphens(65));
}

// Nodes only: the loads stay negated and are reported; the extremes keep their starting values.
template <class Model>
void no_element_model(Model& m) {
    fill(m, {{0.0, 0.0, 0.0}, {1.0, 0.0, 0.0}}, {}, {{1, 1, 0.0}, {1, 2, 0.0}},
         {{1, 1, 2.0}, {1, 2, -0.5}, {2, 1, 3.0}});
}

std::vector<std::string> tail_from_element_table(const std::string& text, int width) {
    std::vector<std::string> lines = crlf_lines(text);
    for (std::size_t k = 0; k < lines.size(); ++k)
        if (lines[k] == hyphens(width)) return {lines.begin() + static_cast<long>(k), lines.end()};
    ADD_FAILURE() << "no element table rule of " << width << " hyphens";
    return {};
}

TEST(report, dorvan_without_elements) {
    dorvan::model m;
    no_element_model(m);
    dorvan::program::start(m);
    scratch_dir dir;
    {
        working_directory here(dir.path());
        report(m);
    }
    const std::string max_min = "Max/Min                     -1.000000E+20      1.000000E+20";
    EXPECT_EQ(max_min, "Max/Min" + blanks(21) + "-1.000000E+20" + blanks(5) + " 1.000000E+20");
    const std::vector<std::string> expected = {
        hyphens(59),
        " Elem         Thickness            Sigma1            Sigma2",
        hyphens(59),
        hyphens(59),
        max_min,
        "",
        "",
        hyphens(59),
        " Node           Force X           Force Y           Force Z",
        hyphens(59),
        "    1     -2.000000E+00      5.000000E-01",
    };
    EXPECT_EQ(tail_from_element_table(read_file(dir.path() / "output.txt"), 59), expected);
}

TEST(report, melvar_without_elements) {
    melvar::model m;
    no_element_model(m);
    melvar::program::start(m);
    scratch_dir dir;
    {
        working_directory here(dir.path());
        report(m);
    }
    const std::vector<std::string> expected = {
        hyphens(41),
        " Elem            Sigma1            Sigma2",
        hyphens(41),
        hyphens(41),
        "Max/Min   -1.000000E+20      1.000000E+20",
        "",
        "",
        hyphens(59),
        " Node           Force X           Force Y           Force Z",
        hyphens(59),
        "    1     -2.000000E+00      5.000000E-01",
    };
    EXPECT_EQ(tail_from_element_table(read_file(dir.path() / "output.txt"), 41), expected);
}

TEST(report, no_nodes_leaves_headers_and_rules_only) {
    dorvan::model m;
    fill(m, {}, {}, {}, {});
    dorvan::program::start(m);
    m.results.minor = 0;
    m.results.energy = 0.0;
    scratch_dir dir;
    {
        working_directory here(dir.path());
        report(m);
    }
    const std::vector<std::string> expected = {
        hyphens(65),
        "| Minor Iterations                            |               0 |",
        "| Total Potential Energy                      |  0.00000000E+00 |",
        "| Allowable Maximum Residue                   |  1.00000000E-03 |",
        hyphens(65),
        "",
        "",
        hyphens(65),
        " Node             Displ X             Displ Y             Displ Z",
        hyphens(65),
        "",
        "",
        hyphens(59),
        " Elem         Thickness            Sigma1            Sigma2",
        hyphens(59),
        hyphens(59),
        "Max/Min                     -1.000000E+20      1.000000E+20",
        "",
        "",
        hyphens(59),
        " Node           Force X           Force Y           Force Z",
        hyphens(59)};
    EXPECT_EQ(read_file(dir.path() / "output.txt"), crlf_text(expected));
}

}  // namespace
