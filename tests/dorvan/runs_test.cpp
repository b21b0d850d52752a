// Whole runs of the compressible program: a converging run, a model that starts in
// equilibrium, the iteration limit, and an undefined material law, each with its console text,
// exit status and the files it leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "dorvan/model_text.hpp"
#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using namespace dorvan_tests;

bool written(const run_result& run, const char* name) {
    return fs::exists(run.dir / name);
}

// The worked example's triangle, clamped along one edge and pulled at its third corner.
problem pulled_triangle() {
    problem p;
    p.settings = {0.9, 10, 0.001, 0.0, 500, 5};
    p.thickness = 0.5;
    p.material = {1, {1.0, 100.0}};
    p.nodes = {{1, 0.0, 0.0, 0.0}, {2, 1.0, 0.0, 0.0}, {3, 0.0, 1.0, 0.0}};
    p.elements = {{1, 1, 2, 3}};
    for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 3; ++j) p.prescribed.push_back({i, j, 0.0});
    p.loads = {{3, 2, 0.1}};
    return p;
}

TEST(dorvan_run, worked_example_converges_and_writes_all_three_files) {
    scratch_dir dir;
    const run_result run =
        run_with_input(dorvan_exe(), dir.path(), example_file("one-triangle-dorvan", "input.txt"));
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.out, "\nMinor =     9     Optimal\n");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(written(run, "ansys.txt"));
    EXPECT_TRUE(written(run, "autocad.scr"));
    EXPECT_TRUE(written(run, "output.txt"));
    // The generated text of the same problem reads the same.
    scratch_dir again;
    const run_result same =
        run_with_input(dorvan_exe(), again.path(), input_text(pulled_triangle()));
    EXPECT_EQ(same.out, run.out);
    EXPECT_EQ(read_file(again.path() / "output.txt"), read_file(dir.path() / "output.txt"));
}

TEST(dorvan_run, model_in_equilibrium_fails_its_first_line_search) {
    // No load on a free component and every prescribed displacement 0.0: a zero gradient. The
    // load on the fixed node does no work. Absolute tolerance, so start evaluates nothing.
    problem p = pulled_triangle();
    p.settings.reference_force = 1.0;
    p.loads = {{1, 1, -0.5}};
    scratch_dir dir;
    const run_result run = run_with_input(dorvan_exe(), dir.path(), input_text(p));
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "Line Search Failure\n");
    EXPECT_NE(run.err.find("NLP.HALT"), std::string::npos) << run.err;
    EXPECT_TRUE(written(run, "ansys.txt"));
    EXPECT_FALSE(written(run, "autocad.scr"));
    EXPECT_FALSE(written(run, "output.txt"));
}

TEST(dorvan_run, iteration_limit_ends_the_run_not_optimal_with_all_files) {
    problem p = pulled_triangle();
    p.settings.max_iterations = 1;
    scratch_dir dir;
    const run_result run = run_with_input(dorvan_exe(), dir.path(), input_text(p));
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.out, "\nMinor =     1     NOT Optimal\n");
    EXPECT_TRUE(written(run, "ansys.txt"));
    EXPECT_TRUE(written(run, "autocad.scr"));
    ASSERT_TRUE(written(run, "output.txt"));
    const std::string report = read_file(dir.path() / "output.txt");
    EXPECT_NE(report.find("| Minor Iterations                            |               1 |\r\n"),
              std::string::npos)
        << report;
}

// Material 5 names no law: input refuses it, before any file is written, whatever the
// tolerance.
problem undefined_law(double reference_force) {
    problem p = pulled_triangle();
    p.material = {5, {}};
    p.settings.reference_force = reference_force;
    return p;
}

TEST(dorvan_run, undefined_law_stops_at_input_before_any_file) {
    for (const double reference_force : {0.0, 2.0}) {
        scratch_dir dir;
        const run_result run =
            run_with_input(dorvan_exe(), dir.path(), input_text(undefined_law(reference_force)));
        EXPECT_EQ(run.exit_status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "dorvan: undefined material law 5\n");
        EXPECT_FALSE(written(run, "ansys.txt")) << reference_force;
        EXPECT_FALSE(written(run, "autocad.scr"));
        EXPECT_FALSE(written(run, "output.txt"));
    }
}

}  // namespace
