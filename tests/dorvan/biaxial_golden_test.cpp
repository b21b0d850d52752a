// The golden case dorvan-biaxial: a square stretched 1.2 x 1.1 by prescribing every node, with
// only the thicknesses free. Its deck and script are fixed by the input alone and compared byte
// for byte; its report is checked line by line against the closed-form plane-stress state.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "dorvan/plane_stress.hpp"
#include "dorvan/report_text.hpp"
#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using namespace dorvan_tests;

const fs::path folder = fs::path(TEST_DATA_DIR) / "dorvan-biaxial";

class dorvan_biaxial : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new scratch_dir;
        run_ = new run_result(
            run_with_input(dorvan_exe(), dir_->path(), read_file(folder / "input.txt")));
    }
    static void TearDownTestSuite() {
        delete run_;
        delete dir_;
    }
    static std::string written(const char* name) { return read_file(dir_->path() / name); }

    static scratch_dir* dir_;
    static run_result* run_;
};

scratch_dir* dorvan_biaxial::dir_ = nullptr;
run_result* dorvan_biaxial::run_ = nullptr;

// The model: side 1, 2 x 2 cells, t0 = 0.5, Mooney-Rivlin (0.4, 0.1, 5.0).
const compressible_law law = compressible_law::mooney_rivlin(0.4, 0.1, 5.0);
const double l1 = 1.2, l2 = 1.1, t0 = 0.5, side = 1.0, cell = 0.5;

TEST_F(dorvan_biaxial, run_completes_with_every_file) {
    EXPECT_EQ(run_->exit_status, 0) << run_->err;
    EXPECT_EQ(run_->err, "");
    ASSERT_EQ(run_->out.size(), std::string("\nMinor =     4     Optimal\n").size()) << run_->out;
    EXPECT_EQ(run_->out.substr(0, 9), "\nMinor = ");
    EXPECT_GE(std::stoi(run_->out.substr(9, 5)), 1);
    EXPECT_EQ(run_->out.substr(14), "     Optimal\n");
}

TEST_F(dorvan_biaxial, deck_and_script_are_the_expected_text) {
    EXPECT_EQ(written("ansys.txt"), read_file(folder / "expected/ansys.txt"));
    EXPECT_EQ(written("autocad.scr"), read_file(folder / "expected/autocad.scr"));
}

TEST_F(dorvan_biaxial, report_shows_the_closed_form_state) {
    const double l3 = plane_stress_thickness(law, l1, l2);
    const std::array<double, 3> sigma = cauchy_stresses(law, {l1, l2, l3});
    const std::string text = written("output.txt");
    const std::vector<std::string> lines = report_lines(text);
    const report_values report = parse_report(text);

    // Header: the count of a converged run, the strain energy of the whole square (no load does
    // work), the absolute tolerance 1e-10 x 1.0.
    EXPECT_GE(report.minor, 1);
    EXPECT_EQ(lines.at(3), "| Allowable Maximum Residue                   |  1.00000000E-10 |");
    const double energy = energy_density(law, {l1, l2, l3}) * side * side * t0;
    EXPECT_TRUE(agrees(report.energy, energy, 8)) << report.energy << " vs " << energy;

    // Node table: exactly the prescribed field.
    const char* const node_lines[] = {
        "    1      0.00000000E+00      0.00000000E+00      0.00000000E+00",
        "    2      1.00000000E-01      0.00000000E+00      0.00000000E+00",
        "    3      2.00000000E-01      0.00000000E+00      0.00000000E+00",
        "    4      0.00000000E+00      5.00000000E-02      0.00000000E+00",
        "    5      1.00000000E-01      5.00000000E-02      0.00000000E+00",
        "    6      2.00000000E-01      5.00000000E-02      0.00000000E+00",
        "    7      0.00000000E+00      1.00000000E-01      0.00000000E+00",
        "    8      1.00000000E-01      1.00000000E-01      0.00000000E+00",
        "    9      2.00000000E-01      1.00000000E-01      0.00000000E+00"};
    const std::size_t first_node =
        line_after(lines, " Node             Displ X             Displ Y             Displ Z");
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(lines.at(first_node + i), node_lines[i]);
    EXPECT_EQ(lines.at(first_node + 9), "");

    // Element table: every element at the plane-stress thickness t0 l3 and the two principal
    // stresses, Sigma1 along X.
    ASSERT_EQ(report.elements.size(), 8u);
    for (std::size_t e = 0; e < 8; ++e) {
        const element_line_values& row = report.elements[e];
        EXPECT_EQ(row.element, static_cast<std::int32_t>(e + 1));
        EXPECT_TRUE(agrees(row.thickness, t0 * l3, 6)) << row.thickness << " vs " << t0 * l3;
        EXPECT_TRUE(agrees(row.sigma1, sigma[0], 6)) << row.sigma1 << " vs " << sigma[0];
        EXPECT_TRUE(agrees(row.sigma2, sigma[1], 6)) << row.sigma2 << " vs " << sigma[1];
    }
    EXPECT_TRUE(agrees(report.sigma_max, sigma[0], 6));
    EXPECT_TRUE(agrees(report.sigma_min, sigma[1], 6));

    // Reactions: the stress resultants over the current edges, shared by tributary length; the
    // middle node and the tangential components are in balance, and Z carries nothing.
    const double fx = sigma[0] * (t0 * l3) * (l2 * cell);  // per cell of the edges x = 0, 1
    const double fy = sigma[1] * (t0 * l3) * (l1 * cell);  // per cell of the edges y = 0, 1
    const double expected[10][2] = {
        {0, 0},  {-fx / 2, -fy / 2}, {0, -fy}, {fx / 2, -fy / 2}, {-fx, 0}, {0, 0},
        {fx, 0}, {-fx / 2, fy / 2},  {0, fy},  {fx / 2, fy / 2}};
    for (std::int32_t node = 1; node <= 9; ++node) {
        const auto found = report.reaction.find(node);
        if (node == 5) {
            EXPECT_TRUE(found == report.reaction.end() ||
                        ((!found->second[0] || std::fabs(*found->second[0]) <= 1e-8) &&
                         (!found->second[1] || std::fabs(*found->second[1]) <= 1e-8)));
            continue;
        }
        ASSERT_NE(found, report.reaction.end()) << "node " << node;
        for (int j = 0; j < 2; ++j) {
            const std::optional<double>& value = found->second[j];
            if (expected[node][j] != 0.0) {
                ASSERT_TRUE(value.has_value()) << "node " << node << " direction " << j + 1;
                EXPECT_TRUE(agrees(*value, expected[node][j], 6))
                    << "node " << node << ": " << *value << " vs " << expected[node][j];
            } else if (value) {
                EXPECT_LE(std::fabs(*value), 1e-8) << "node " << node;
            }
        }
        EXPECT_FALSE(found->second[2].has_value()) << "node " << node;
    }
    // The sum along x = 1 is the whole resultant sigma1 t0 l3 (side l2).
    double right = 0.0;
    for (std::int32_t node : {3, 6, 9}) right += *report.reaction.at(node)[0];
    EXPECT_NEAR(right, sigma[0] * t0 * l3 * (side * l2), 3e-6);
}

}  // namespace
