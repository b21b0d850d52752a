// Newton's path where the projected Hessian of earlier versions stalled: quadratic convergence on
// an inflated sphere, and a clamped disc bulged past a hemisphere, whose rim's triangles turn
// beyond a right angle; and the test of a step that turns a triangle over.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "sheet/assembly/assembly_plan.hpp"
#include "sheet/assembly/upright.hpp"
#include "support/input_text.hpp"
#include "support/pressurised_sheets.hpp"
#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

// The max_residual column of a history file, row after row.
std::vector<double> residuals(const fs::path& history) {
    std::istringstream rows(read_file(history));
    std::string row;
    std::getline(rows, row);  // header
    std::vector<double> out;
    while (std::getline(rows, row)) {
        std::istringstream fields(row);
        std::string field;
        for (int k = 0; k < 3; ++k) std::getline(fields, field, ',');
        out.push_back(std::stod(field));
    }
    return out;
}

TEST(newton_convergence, is_quadratic_near_an_inflated_spheres_equilibrium) {
    // the octant in 8 x 8 cells at two thirds of its limit pressure, to 1e-11 of the start's
    // largest residual
    dorvan_tests::problem octant = pressurised_sheets::octant(8, 0.01);
    scratch_dir dir;
    write_file(dir.path() / "input.txt", pressurised_sheets::with_pressure(octant, 0.008));
    const run_result run = run_in(melvar_exe(), dir.path(), "--method newton --history h.csv");
    ASSERT_EQ(run.exit_status, 0) << run.err;
    const std::vector<double> r = residuals(dir.path() / "h.csv");
    ASSERT_GE(r.size(), 4u);
    const std::size_t last = r.size() - 1;
    // each of the last two steps squares the residual's fall (relative to the start's): the
    // exponent of the relative residual at least doubles less one, up to rounding
    const double e1 = std::log(r[last - 2] / r[0]), e2 = std::log(r[last - 1] / r[0]);
    EXPECT_LT(e2, 1.8 * e1) << r[last - 2] << " " << r[last - 1];
    EXPECT_LT(r[last] / r[last - 1], r[last - 1] / r[last - 2]);
    EXPECT_LE(r.size(), 8u);
}

TEST(newton_convergence, turns_a_clamped_discs_rim_past_a_right_angle) {
    // examples/inflated-disc's disc (radius 10) in 1 610 triangles for melvar, 0.1 thick, to
    // 0.95 of its limit pressure (p R / (mu t0) = 1.879) in 19 steps: there the dome's side
    // near the rim overhangs, its triangles turned past a right angle with their neighbours
    scratch_dir dir;
    fs::copy(fs::path(EXAMPLES_DIR) / "inflated-disc" / "disc.geo", dir.path());
    write_file(dir.path() / "problem.toml",
               "program = \"melvar\"\nmesh = \"disc.geo\"\nmesh_size = 0.7\n[settings]\n"
               "max_iterations = 200\n[sheet]\nthickness = 0.1\nlaw = \"neo-hookean\"\n"
               "shear = 1.0\n[[support]]\ngroup = \"rim\"\nx = 0.0\ny = 0.0\nz = 0.0\n"
               "[[load]]\ngroup = \"membrane\"\npressure = 0.0178\nfollower = true\n");
    ASSERT_EQ(run_in(SHEETPREP_EXE, dir.path(), "problem.toml").exit_status, 0);
    const run_result run = run_in(melvar_exe(), dir.path(), "--method newton --steps 19");
    ASSERT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.out.substr(run.out.rfind("\nMinor")), "\nMinor =     2     Optimal\n");
    EXPECT_EQ(run.err, "");  // no warning of folds: the rim has turned with its neighbours
    melvar::model m = input_text::read_melvar(read_file(dir.path() / "input.txt"));
    const std::string report = read_file(dir.path() / "output.txt");
    std::istringstream table(report.substr(report.find("---", report.find("Displ Z")) + 65));
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i) {
        int node;
        double u[3];
        table >> node >> u[0] >> u[1] >> u[2];
        m.problem.mesh.node_x(i) += u[0];
        m.problem.mesh.node_y(i) += u[1];
    }
    int past_a_right_angle = 0;  // current normal's Z below 0
    for (std::int32_t e = 1; e <= m.problem.mesh.elements.last(); ++e) {
        const sheet::triangle& t = m.problem.mesh.elements(e);
        const auto x = [&](int l) { return m.problem.mesh.node_x(t.node[l]); };
        const auto y = [&](int l) { return m.problem.mesh.node_y(t.node[l]); };
        past_a_right_angle += (x(1) - x(0)) * (y(2) - y(0)) - (y(1) - y(0)) * (x(2) - x(0)) < 0.0;
    }
    EXPECT_GT(past_a_right_angle, 20);
}

TEST(newton_convergence, a_step_may_not_turn_a_triangle_over) {
    // one free corner of a unit right triangle, the other two held at their places
    melvar::model m = input_text::read_melvar(input_text::one_triangle);
    (void)melvar::program::start(m);
    const sheet::element_columns table = sheet::element_columns_of(m);
    const double* prescribed = m.problem.supports.prescribed.all().data();
    // node 3 at (0, cos a, sin a): the triangle turned a about the X axis
    const auto turned = [](double degrees) {
        const double a = degrees * M_PI / 180.0;
        return std::vector<double>{0.0, std::cos(a) - 1.0, std::sin(a)};
    };
    const auto turns = [&](double from, double to) {
        const std::vector<double> a = turned(from), b = turned(to);
        return !sheet::no_triangle_turned_over(table, 1, a, b, prescribed);
    };
    EXPECT_FALSE(turns(0.0, 60.0));
    EXPECT_FALSE(turns(60.0, 120.0));  // past a right angle from the start, in two steps
    EXPECT_FALSE(turns(120.0, 170.0));
    EXPECT_TRUE(turns(0.0, 120.0));   // in one step
    EXPECT_TRUE(turns(0.0, -150.0));  // through its own plane
    const std::vector<double> collapsed = {0.0, -1.0, 0.0};
    EXPECT_TRUE(!sheet::no_triangle_turned_over(table, 1, turned(0.0), collapsed, prescribed));
}

// Against the sheet at rest, not the step's start: a triangle turned past a right angle is upside
// down, one turned back from there is upright again (as the Laplace start sets a corner right
// that the prescribed displacements alone had folded).
TEST(newton_convergence, upside_down_is_told_against_the_sheet_at_rest) {
    melvar::model m = input_text::read_melvar(input_text::one_triangle);
    (void)melvar::program::start(m);
    const sheet::element_columns table = sheet::element_columns_of(m);
    const double* prescribed = m.problem.supports.prescribed.all().data();
    const auto upright = [&](double degrees) {
        const double a = degrees * M_PI / 180.0;
        const std::vector<double> x = {0.0, std::cos(a) - 1.0, std::sin(a)};
        return sheet::no_triangle_upside_down(table, 1, x, prescribed);
    };
    EXPECT_TRUE(upright(0.0));
    EXPECT_TRUE(upright(80.0));
    EXPECT_FALSE(upright(100.0));
    EXPECT_FALSE(upright(-150.0));
    const std::vector<double> collapsed = {0.0, -1.0, 0.0};
    EXPECT_FALSE(sheet::no_triangle_upside_down(table, 1, collapsed, prescribed));
}

}  // namespace
