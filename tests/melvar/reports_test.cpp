// melvar's three files written from models built in code: the 41-column element table of the
// report with its Max/Min line and the reactions of a homogeneous state, the deck's material
// blocks, and the CAD script against the one of the compressible program's model.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "dorvan/program.hpp"
#include "melvar/program.hpp"
#include "melvar/sheet_models.hpp"
#include "sheet/model/loading.hpp"
#include "sheet/model/start.hpp"
#include "sheet/output/autocad.hpp"
#include "support/program_run.hpp"

namespace {

using namespace melvar_testing;
using testing_support::read_file;
using testing_support::scratch_dir;

// The number in columns [at, at + width) of a report line.
double field(const std::string& line, std::size_t at, std::size_t width) {
    const std::string text = line.substr(at, width);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    EXPECT_EQ(static_cast<std::size_t>(end - text.c_str()), text.size()) << "'" << text << "'";
    return value;
}

// The unit square of two triangles (1, 2, 4) and (1, 4, 3) with every component prescribed to
// the homogeneous stretch lambda1 in X and lambda2 in Y.
const double lambda1 = 1.2, lambda2 = 0.9;

melvar::model stretched_square() {
    melvar::model m;
    m.problem.thickness = 0.25;
    mooney_rivlin(m, 0.4, 0.15);
    m.problem.settings.tolerance_factor = 1e-9;
    m.problem.settings.reference_force = 1.0;
    make_grid(m, 1, 1, 1.0, 1.0);
    for (std::int32_t i = 1; i <= 4; ++i) {
        prescribe(m, i, 1, (lambda1 - 1.0) * m.problem.mesh.node_x(i));
        prescribe(m, i, 2, (lambda2 - 1.0) * m.problem.mesh.node_y(i));
        prescribe(m, i, 3, 0.0);
    }
    melvar::program::start(m);
    m.results.minor = 3;
    m.results.energy = 1.25;
    return m;
}

std::vector<std::string> written_report(melvar::model& m) {
    scratch_dir dir;
    {
        working_dir here(dir.path());
        melvar::program::find_final_state(m);
        melvar::program::output(m);
    }
    return crlf_lines(read_file(dir.path() / "output.txt"));
}

TEST(melvar_report, element_table_is_41_columns_with_the_stresses_of_the_state) {
    melvar::model m = stretched_square();
    const std::vector<std::string> lines = written_report(m);
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[0], std::string(65, '-'));
    EXPECT_EQ(lines[1], "| Minor Iterations                            |               3 |");
    EXPECT_EQ(lines[2], "| Total Potential Energy                      |  1.25000000E+00 |");
    EXPECT_EQ(lines[3], "| Allowable Maximum Residue                   |  1.00000000E-09 |");
    EXPECT_EQ(lines[4], std::string(65, '-'));
    EXPECT_EQ(lines[7], std::string(65, '-'));
    EXPECT_EQ(lines[8], " Node             Displ X             Displ Y             Displ Z");
    // Node 4 at (1, 1) shows its prescribed displacements.
    EXPECT_EQ(lines[13], "    4      2.00000000E-01     -1.00000000E-01      0.00000000E+00");

    EXPECT_EQ(lines[16], std::string(41, '-'));
    EXPECT_EQ(lines[17], " Elem            Sigma1            Sigma2");
    EXPECT_EQ(lines[18], std::string(41, '-'));
    const double sigma1 = closed_form_stress(m, lambda1, lambda1, lambda2);
    const double sigma2 = closed_form_stress(m, lambda2, lambda1, lambda2);
    ASSERT_GT(sigma1, 0.0);
    ASSERT_LT(sigma2, 0.0);
    for (int e = 1; e <= 2; ++e) {
        const std::string& line = lines[18 + e];
        ASSERT_EQ(line.size(), 41u) << line;
        EXPECT_EQ(line.substr(0, 10), "    " + std::to_string(e) + "     ");
        EXPECT_EQ(line.substr(23, 5), "     ");
        EXPECT_NEAR(field(line, 10, 13), sigma1, 1e-6 * sigma1);
        EXPECT_NEAR(field(line, 28, 13), sigma2, 1e-6 * std::fabs(sigma2));
    }
    EXPECT_EQ(lines[21], std::string(41, '-'));
    const std::string& extremes = lines[22];
    ASSERT_EQ(extremes.size(), 41u);
    EXPECT_EQ(extremes.substr(0, 10), "Max/Min   ");
    EXPECT_EQ(extremes.substr(10, 13), lines[19].substr(10, 13));
    EXPECT_EQ(extremes.substr(23, 5), "     ");
    EXPECT_NEAR(field(extremes, 28, 13), sigma2, 1e-6 * std::fabs(sigma2));
    EXPECT_EQ(lines[23], "");
    EXPECT_EQ(lines[24], "");

    // Reactions: each corner carries half the force of each of its two edges, the stress times
    // the current thickness times the current edge length; Z reactions are zero and omitted.
    EXPECT_EQ(lines[25], std::string(59, '-'));
    EXPECT_EQ(lines[26], " Node           Force X           Force Y           Force Z");
    EXPECT_EQ(lines[27], std::string(59, '-'));
    const double l3 = 1.0 / (lambda1 * lambda2);
    const double fx = sigma1 * m.problem.thickness * l3 * lambda2 / 2.0;
    const double fy = sigma2 * m.problem.thickness * l3 * lambda1 / 2.0;
    const double sign_x[4] = {-1, 1, -1, 1}, sign_y[4] = {-1, -1, 1, 1};
    for (int i = 1; i <= 4; ++i) {
        const std::string& line = lines[27 + i];
        ASSERT_EQ(line.size(), 41u) << line;
        EXPECT_EQ(line.substr(0, 5), "    " + std::to_string(i));
        EXPECT_NEAR(field(line, 10, 13), sign_x[i - 1] * fx, 1e-6 * std::fabs(fx));
        EXPECT_NEAR(field(line, 28, 13), sign_y[i - 1] * fy, 1e-6 * std::fabs(fy));
    }
}

TEST(melvar_report, without_elements_the_extremes_keep_their_starting_values) {
    melvar::model m;
    m.problem.thickness = 0.1;
    neo_hookean(m, 1.0);
    m.problem.settings.tolerance_factor = 0.001;
    m.problem.settings.reference_force = 1.0;
    make_grid(m, 1, 1, 1.0, 1.0);
    m.problem.mesh.elements = terms::array1<sheet::triangle>(1, 0);
    prescribe(m, 2, 2, 0.0);
    m.problem.loads(2, 2) = 2.5;
    melvar::program::start(m);
    const std::vector<std::string> lines = written_report(m);
    ASSERT_EQ(lines.size(), 27u);
    EXPECT_EQ(lines[16], std::string(41, '-'));
    EXPECT_EQ(lines[17], " Elem            Sigma1            Sigma2");
    EXPECT_EQ(lines[18], std::string(41, '-'));
    EXPECT_EQ(lines[19], std::string(41, '-'));
    EXPECT_EQ(lines[20], "Max/Min   -1.000000E+20      1.000000E+20");
    // The negated load of the prescribed component is its reaction.
    EXPECT_EQ(lines[26], "    2                       -2.500000E+00");
}

// The lines of the deck's material table: between "! ACTIVATE DATA TABLE" and the next empty
// line.
std::vector<std::string> material_table(melvar::model& m) {
    scratch_dir dir;
    {
        working_dir here(dir.path());
        melvar::program::ansys(m);
    }
    const std::vector<std::string> lines = crlf_lines(read_file(dir.path() / "ansys.txt"));
    std::vector<std::string> table;
    std::size_t at = 0;
    while (at < lines.size() && lines[at] != "! ACTIVATE DATA TABLE") ++at;
    for (++at; at < lines.size() && !lines[at].empty(); ++at) table.push_back(lines[at]);
    EXPECT_LT(at, lines.size());
    return table;
}

TEST(melvar_deck, each_law_closes_its_table_with_the_written_zero) {
    melvar::model m = stretched_square();
    neo_hookean(m, 1.3);
    EXPECT_EQ(material_table(m),
              (std::vector<std::string>{"TB, HYPER, 1, , , NEO", "TBDATA, 1,  1.300000E+00",
                                        "TBDATA, 2,  0.000000E+00"}));
    mooney_rivlin(m, 0.4, -0.15);
    EXPECT_EQ(material_table(m),
              (std::vector<std::string>{"TB, HYPER, 1, , , MOONEY", "TBDATA, 1,  4.000000E-01",
                                        "TBDATA, 2, -1.500000E-01", "TBDATA, 3,  0.000000E+00"}));
    arruda_boyce(m, 0.9, 2.5);
    EXPECT_EQ(material_table(m),
              (std::vector<std::string>{"TB, HYPER, , , , BOYCE", "TBDATA, 1,  9.000000E-01",
                                        "TBDATA, 2,  2.500000E+00", "TBDATA, 3,  0.000000E+00"}));
}

// The same mesh and the same free displacements in both programs' models: melvar's x holds
// the free components only, the compressible model's x holds them followed by one thickness
// variable per element and numbers its prescribed components after those.
TEST(melvar_cad_script, is_the_compressible_programs_script_for_the_same_solution) {
    melvar::model m;
    dorvan::model d;
    for (sheet::model* model : {static_cast<sheet::model*>(&m), static_cast<sheet::model*>(&d)}) {
        melvar::model grid;
        make_grid(grid, 3, 2, 0.5, -0.75);
        sheet::problem& p = model->problem;
        p = std::move(grid.problem);
        for (std::int32_t i = 1; i <= 3; ++i) {
            p.supports.prescribed(i, 1) = 0.01 * i;
            p.supports.held(i, 1) = true;
        }
        p.supports.prescribed(5, 3) = -0.3;
        p.supports.held(5, 3) = true;
        p.mesh.node_z(7) = 0.4;
        sheet::complete_geometry(*model);
    }
    const std::int32_t free_count = sheet::count_free(m.problem);
    sheet::number_components(m, free_count, free_count, free_count);
    m.unknowns.x = terms::real_vector(1, free_count);
    const auto element_count = static_cast<std::int32_t>(d.problem.mesh.elements.size());
    const std::int32_t unknown_count = free_count + element_count;
    sheet::number_components(d, free_count, unknown_count, unknown_count);
    d.unknowns.x = terms::real_vector(1, unknown_count);
    std::mt19937 pick(11);
    std::uniform_real_distribution<double> shift(-0.4, 0.4);
    for (std::int32_t k = 1; k <= free_count; ++k) m.unknowns.x(k) = d.unknowns.x(k) = shift(pick);
    for (std::int32_t e = 1; e <= element_count; ++e) d.unknowns.x(free_count + e) = 0.9;

    for (sheet::model* model : {static_cast<sheet::model*>(&m), static_cast<sheet::model*>(&d)})
        model->results.displacements = sheet::displacements_at(
            model->problem, model->numbering, model->unknowns.x, sheet::load_state{});
    scratch_dir melvar_dir, dorvan_dir;
    {
        working_dir here(melvar_dir.path());
        sheet::autocad(m);
    }
    {
        working_dir here(dorvan_dir.path());
        sheet::autocad(d);
    }
    const std::string script = read_file(melvar_dir.path() / "autocad.scr");
    EXPECT_EQ(script, read_file(dorvan_dir.path() / "autocad.scr"));
    // The deformed mesh moved: node 5 went down by its prescribed 0.3.
    EXPECT_NE(script.find(",-3.000000E-01\r\n"), std::string::npos);
}

}  // namespace
