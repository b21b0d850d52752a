// Whole Newton runs: the equilibrium of small problems against a tight L-BFGS run, the same
// bytes for any thread count, the iteration limit and a line search that fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include "dorvan/program.hpp"
#include "melvar/program.hpp"
#include "sheet/run/solve.hpp"
#include "support/input_text.hpp"
#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

// Starts m and solves it by the method, quietly; expects it to end optimal.
template <class Program>
void solve_optimal(typename Program::model_type& m, sheet::method method) {
    auto started = Program::start(m);
    const sheet::load_state full;
    sheet::objective_of<decltype(started.terms)> objective{m, started.plan, started.terms, full};
    sheet::options o;
    o.quiet = true;
    o.method = method;
    EXPECT_TRUE(sheet::solve(m, started.plan, started.terms, full, objective, o).optimal);
}

// x after solving text's model by the method, at the tolerance factor given.
template <class Program, class Read>
terms::real_vector solved(Read&& read, const std::string& text, sheet::method method,
                          double factor) {
    typename Program::model_type m = read(text);
    m.problem.settings.tolerance_factor = factor;
    m.problem.settings.max_iterations = 100000;
    solve_optimal<Program>(m, method);
    terms::real_vector x(1, m.numbering.free_count);
    for (std::int32_t k = 1; k <= m.numbering.free_count; ++k) x(k) = m.unknowns.x(k);
    return x;
}

double largest_difference(const terms::real_vector& a, const terms::real_vector& b) {
    double largest = 0.0;
    for (std::int32_t k = a.first(); k <= a.last(); ++k)
        largest = std::max(largest, std::abs(a(k) - b(k)));
    return largest;
}

double largest(const terms::real_vector& a) {
    return largest_difference(a, terms::real_vector(a.first(), a.last()));
}

// Newton at 1e-9 and L-BFGS at 1e-7 of the same example agree within 1e-5 of the largest
// displacement.
template <class Program, class Read>
void expect_agreement(Read&& read, const char* example) {
    const std::string text = example_file(example, "input.txt");
    const auto newton = solved<Program>(read, text, sheet::method::newton, 1e-9);
    const auto lbfgs = solved<Program>(read, text, sheet::method::lbfgs, 1e-7);
    EXPECT_LE(largest_difference(newton, lbfgs), 1e-5 * largest(newton)) << example;
}

TEST(newton, reaches_the_equilibrium_of_a_tight_lbfgs_run) {
    for (const char* example : {"one-triangle-dorvan", "pressure-prestretched-dorvan"})
        expect_agreement<dorvan::program>(input_text::read_dorvan, example);
    for (const char* example : {"one-triangle-melvar", "strip-arruda-boyce-melvar"})
        expect_agreement<melvar::program>(input_text::read_melvar, example);
}

TEST(newton, solves_a_sheet_whose_every_component_is_prescribed_for_its_thickness) {
    // dorvan's system is then empty: only the condensed thickness steps remain.
    std::string text = example_file("one-triangle-dorvan", "input.txt");
    text = text.substr(0, text.find(": prescribed")) +
           ": prescribed\n9\n n d v\n1 1 0.0\n1 2 0.0\n1 3 0.0\n2 1 0.1\n2 2 0.0\n2 3 0.0\n"
           "3 1 0.0\n3 2 0.0\n3 3 0.0\n: loads\n0\n";
    double thickness[2];
    for (const sheet::method method : {sheet::method::newton, sheet::method::lbfgs}) {
        dorvan::model m = input_text::read_dorvan(text);
        m.problem.settings.tolerance_factor = 1e-10;
        solve_optimal<dorvan::program>(m, method);
        thickness[method == sheet::method::newton ? 0 : 1] = m.unknowns.x(1);
    }
    EXPECT_NEAR(thickness[0], thickness[1], 1e-7);
    EXPECT_LT(thickness[0], 1.0);  // stretched in X, the sheet thins
}

TEST(newton, writes_the_same_bytes_for_any_thread_count) {
    const std::string text = read_file(fs::path(TEST_DATA_DIR) / "grid30-dorvan" / "input.txt");
    std::string first[3];
    for (const char* threads : {"1", "2", "3"}) {
        scratch_dir dir;
        write_file(dir.path() / "input.txt", text);
        const run_result newton =
            run_in(dorvan_exe(), dir.path(),
                   std::string("--method newton --history h.csv --vtu r.vtu --threads ") + threads);
        ASSERT_EQ(newton.exit_status, 0) << newton.err;
        const std::string files[3] = {read_file(dir.path() / "output.txt"),
                                      read_file(dir.path() / "h.csv"),
                                      read_file(dir.path() / "r.vtu")};
        for (int f = 0; f < 3; ++f) {
            if (threads[0] == '1')
                first[f] = files[f];
            else
                EXPECT_EQ(files[f], first[f]) << "file " << f << ", threads " << threads;
        }
    }
}

bool written(const fs::path& dir, const char* name) {
    return fs::exists(dir / name);
}

TEST(newton, the_iteration_limit_ends_the_run_not_optimal_with_every_file) {
    const std::string text = input_text::replaced(example_file("one-triangle-dorvan", "input.txt"),
                                                  "0.001 0.0 500 5", "0.001 0.0 1 5");
    scratch_dir dir;
    write_file(dir.path() / "input.txt", text);
    const run_result newton = run_in(dorvan_exe(), dir.path(), "--method newton");
    EXPECT_EQ(newton.exit_status, 0) << newton.err;
    EXPECT_EQ(newton.out, "\nMinor =     1     NOT Optimal\n");
    for (const char* name : {"ansys.txt", "autocad.scr", "output.txt"})
        EXPECT_TRUE(written(dir.path(), name)) << name;
}

TEST(newton, a_line_search_that_finds_no_lower_energy_fails_the_run) {
    // A tolerance below the energy's round-off: the steps stop lowering anything.
    for (const std::string& program : {dorvan_exe(), melvar_exe()}) {
        const bool dorvan = program == dorvan_exe();
        scratch_dir dir;
        write_file(
            dir.path() / "input.txt",
            example_file(dorvan ? "one-triangle-dorvan" : "one-triangle-melvar", "input.txt"));
        const run_result run =
            run_in(program, dir.path(), "--method newton --tolerance-factor 1e-300");
        EXPECT_EQ(run.exit_status, 1);
        EXPECT_EQ(run.out, "Line Search Failure\n");
        EXPECT_NE(run.err.find("NLP.HALT: newton"), std::string::npos) << run.err;
        EXPECT_TRUE(written(dir.path(), "ansys.txt"));
        EXPECT_FALSE(written(dir.path(), "autocad.scr"));
        EXPECT_FALSE(written(dir.path(), "output.txt"));
    }
}

}  // namespace
