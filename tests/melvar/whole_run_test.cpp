// Whole melvar runs of the built program: a Mooney-Rivlin strip in uniaxial tension checked
// against the closed-form solution in its report, and a sheet without free components, which
// the first line search cannot move.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "melvar/program.hpp"
#include "melvar/sheet_models.hpp"
#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace melvar_testing;
using namespace testing_support;

// Half a unit in the last printed place of a scientific real with the given decimals, for the
// value exact, with a small margin for the minimiser's residual.
double printed_precision(double exact, int decimals) {
    const double exponent = std::floor(std::log10(std::fabs(exact)));
    return 0.5 * std::pow(10.0, exponent - decimals) * 1.01;
}

// The strip of the in-process uniaxial test as input.txt: 2 long, 1 wide, 4 x 2 cells, rollers
// at X = 0, loads F/4, F/2, F/4 at X = 2, every Z fixed; Mooney-Rivlin c10 = 0.4, c01 = 0.1.
const double force = 0.1, thickness = 0.1, c10 = 0.4, c01 = 0.1;

std::string strip_input() {
    std::string text =
        "Mooney-Rivlin strip in uniaxial tension\n"
        ": settings  search_factor search_limit tolerance_factor reference_force max_iterations "
        "memory_size\n0.9 20 1.0E-10 1.0 3000 5\n"
        ": sheet  thickness material c10 c01\n0.1 2 0.4 0.1\n"
        ": nodes\n15\n  node  x  y  z\n";
    char line[120];
    for (int r = 0; r <= 2; ++r) {
        for (int c = 0; c <= 4; ++c) {
            std::snprintf(line, sizeof line, "%d %.2f %.2f 0.0\n", grid_node(4, c, r), 0.5 * c,
                          0.5 * r);
            text += line;
        }
    }
    text += ": elements\n16\n  element N1 N2 N3\n";
    int e = 0;
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 4; ++c) {
            const int n00 = grid_node(4, c, r), n10 = grid_node(4, c + 1, r),
                      n11 = grid_node(4, c + 1, r + 1), n01 = grid_node(4, c, r + 1);
            std::snprintf(line, sizeof line, "%d %d %d %d\n%d %d %d %d\n", e + 1, n00, n10, n11,
                          e + 2, n00, n11, n01);
            text += line;
            e += 2;
        }
    }
    text +=
        ": prescribed displacements\n19\n  node dir value\n1 1 0.0\n6 1 0.0\n11 1 0.0\n"
        "1 2 0.0\n";
    for (int i = 1; i <= 15; ++i) text += std::to_string(i) + " 3 0.0\n";
    text += ": loads\n3\n  node dir force\n5 1 0.025\n10 1 0.05\n15 1 0.025\n";
    return text;
}

double number(const std::string& line, std::size_t at, std::size_t width) {
    return std::strtod(line.substr(at, width).c_str(), nullptr);
}

TEST(melvar_run, mooney_rivlin_strip_reports_the_closed_form_solution) {
    scratch_dir dir;
    const run_result run = run_with_input(melvar_exe(), dir.path(), strip_input());
    ASSERT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(std::regex_match(run.out, std::regex("\nMinor = [ 0-9]{4}[0-9]     Optimal\n")))
        << run.out;

    melvar::model law;
    mooney_rivlin(law, c10, c01);
    const double l1 = uniaxial_stretch(law, force, 1.0, thickness);
    const double l2 = 1.0 / std::sqrt(l1);
    const double sigma1 = closed_form_stress(law, l1, l1, l2);

    const std::vector<std::string> lines = crlf_lines(read_file(dir.path() / "output.txt"));
    ASSERT_EQ(lines.size(), 5u + 2u + 3u + 15u + 2u + 3u + 16u + 2u + 2u + 3u + 3u);
    EXPECT_EQ(lines[3], "| Allowable Maximum Residue                   |  1.00000000E-10 |");
    // Node table: the strip lengthens by lambda1 and narrows by lambda2, to the accuracy that a
    // residual of 1e-10 leaves in the displacements (a few 1e-9 along the strip's soft modes,
    // below the 8 printed decimals' reach).
    for (int i = 1; i <= 15; ++i) {
        const std::string& row = lines[9 + i];
        const double x0 = 0.5 * ((i - 1) % 5), y0 = 0.5 * ((i - 1) / 5);
        EXPECT_NEAR(number(row, 10, 15), (l1 - 1.0) * x0, 2e-8) << i;
        EXPECT_NEAR(number(row, 30, 15), (l2 - 1.0) * y0, 2e-8) << i;
        EXPECT_EQ(row.substr(50), " 0.00000000E+00");
    }
    // Element table: every element carries sigma1 along the strip and nothing across it.
    for (int e = 1; e <= 16; ++e) {
        const std::string& row = lines[29 + e];
        ASSERT_EQ(row.size(), 41u);
        EXPECT_NEAR(number(row, 10, 13), sigma1, printed_precision(sigma1, 6)) << e;
        EXPECT_NEAR(number(row, 28, 13), 0.0, 1e-6 * sigma1) << e;
    }
    const std::string& extremes = lines[47];
    ASSERT_EQ(extremes.substr(0, 10), "Max/Min   ");
    EXPECT_NEAR(number(extremes, 10, 13), sigma1, printed_precision(sigma1, 6));
    // Force table: the rollers hold back the loads, node by node.
    const int rollers[3] = {1, 6, 11};
    const double held[3] = {-0.025, -0.05, -0.025};
    for (int k = 0; k < 3; ++k) {
        const std::string& row = lines[53 + k];
        // The pinned node's Y reaction is the minimiser's residual, reported only above the
        // tolerance.
        ASSERT_TRUE(row.size() == 23u || (k == 0 && row.size() == 41u)) << row;
        if (row.size() == 41u) {
            EXPECT_NEAR(number(row, 28, 13), 0.0, 1e-8);
        }
        EXPECT_EQ(std::atoi(row.substr(0, 5).c_str()), rollers[k]);
        EXPECT_NEAR(number(row, 10, 13), held[k], printed_precision(held[k], 6));
    }

    const std::string deck = read_file(dir.path() / "ansys.txt");
    EXPECT_NE(deck.find("\r\n! ACTIVATE DATA TABLE\r\nTB, HYPER, 1, , , MOONEY\r\n"
                        "TBDATA, 1,  4.000000E-01\r\nTBDATA, 2,  1.000000E-01\r\n"
                        "TBDATA, 3,  0.000000E+00\r\n\r\n"),
              std::string::npos);
    EXPECT_NE(deck.find("\r\nCNVTOL, F, 1.0,  1.000000E-10, 0\r\n"), std::string::npos);
    const std::string script = read_file(dir.path() / "autocad.scr");
    EXPECT_EQ(script.rfind("layer off Initial_2 \r\nlayer set 0 \r\nzoom ext ext\r\n"),
              script.size() - 50);
}

// With every component prescribed there is nothing to minimise over: the empty gradient gives
// the first line search no descent direction. The deck is written before the minimiser runs;
// the script and the report are not.
TEST(melvar_run, no_free_component_stops_in_the_first_line_search) {
    std::string text =
        ": settings\n0.9 10 0.001 1.0 200 5\n: sheet\n0.5 1 1.0\n: nodes\n3\n node x y z\n"
        "1 0.0 0.0 0.0\n2 1.0 0.0 0.0\n3 0.0 1.0 0.0\n: elements\n1\n e n1 n2 n3\n1 1 2 3\n"
        ": prescribed\n9\n node dir value\n";
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            text += std::to_string(i) + " " + std::to_string(j) +
                    (i == 2 && j == 1 ? " 0.2\n" : " 0.0\n");
    text += ": loads\n0\n";
    scratch_dir dir;
    const run_result run = run_with_input(melvar_exe(), dir.path(), text);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "Line Search Failure\n");
    EXPECT_TRUE(run.err.starts_with("melvar: ")) << run.err;
    EXPECT_NE(run.err.find("NLP.HALT"), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
    EXPECT_TRUE(fs::exists(dir.path() / "ansys.txt"));
    EXPECT_FALSE(fs::exists(dir.path() / "autocad.scr"));
    EXPECT_FALSE(fs::exists(dir.path() / "output.txt"));
}

}  // namespace
