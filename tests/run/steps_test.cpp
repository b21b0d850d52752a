// Runs in load steps, through whole runs: --steps 1 writes what a plain run writes, byte for
// byte; more steps print a line per step, reach the single run's equilibrium and keep the
// history by step; a first step that holds at no increment ends the run without a report.
// (tests/vtu/check_series.py reads the series back.)
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/pressurised_sheets.hpp"
#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

// The inflated sphere octant for melvar in 4 x 4 cells, with a dead load beside the pressure.
std::string balloon(std::int32_t max_iterations = 5000, double tolerance_factor = 1.0E-11,
                    std::vector<double> constants = {}, int divisions = 4) {
    dorvan_tests::problem octant = pressurised_sheets::octant(divisions, 0.01);
    octant.settings.max_iterations = max_iterations;
    octant.settings.tolerance_factor = tolerance_factor;
    if (!constants.empty()) octant.material.constants = constants;
    octant.loads = {{8, 3, 1.0E-3}};
    return pressurised_sheets::with_pressure(octant, 0.0079186);
}

// The numbers of the node table of output.txt, node numbers among them, as printed.
std::vector<double> displacements(const fs::path& report) {
    const std::string text = read_file(report);
    const std::size_t from = text.find("---", text.find("Displ Z")) + 65;
    std::istringstream table(text.substr(from, text.find("\r\n\r\n", from) - from));
    return {std::istream_iterator<double>(table), std::istream_iterator<double>()};
}

TEST(steps, one_step_writes_what_a_plain_run_writes) {
    for (const auto& [program, text] :
         {std::pair{dorvan_exe(), example_file("pressure-prestretched-dorvan", "input.txt")},
          std::pair{melvar_exe(), balloon()}}) {
        scratch_dir dir;
        for (const std::string name : {"plain", "steps"}) {
            fs::create_directory(dir.path() / name);
            write_file(dir.path() / name / "input.txt", text);
        }
        const run_result plain = run_in(program, dir.path() / "plain", "--vtu v.vtu --history h");
        const run_result steps =
            run_in(program, dir.path() / "steps", "--steps 1 --vtu v.vtu --history h");
        EXPECT_EQ(plain.exit_status, 0);
        EXPECT_EQ(steps.out, plain.out);
        for (const std::string name : {"ansys.txt", "autocad.scr", "output.txt", "v.vtu", "h"})
            EXPECT_EQ(read_file(dir.path() / "steps" / name),
                      read_file(dir.path() / "plain" / name))
                << name;
        EXPECT_FALSE(fs::exists(dir.path() / "steps" / "v.pvd"));
    }
}

TEST(steps, reach_the_single_run_equilibrium_and_keep_the_history_by_step) {
    scratch_dir dir;
    for (const std::string name : {"single", "steps"}) {
        fs::create_directory(dir.path() / name);
        write_file(dir.path() / name / "input.txt", balloon());
    }
    ASSERT_EQ(run_in(melvar_exe(), dir.path() / "single").exit_status, 0);
    const run_result steps = run_in(melvar_exe(), dir.path() / "steps", "--steps 4 --history h");
    ASSERT_EQ(steps.exit_status, 0) << steps.err;
    std::string console;
    for (const char* factor : {"0.25", "0.5", "0.75", "1"})
        console += std::string("\nStep [1-4]/4, load factor ") + factor +
                   "\n\nMinor = [ 0-9]{4}[0-9]     Optimal\n";
    EXPECT_TRUE(std::regex_match(steps.out, std::regex(console))) << steps.out;
    const std::vector<double> single = displacements(dir.path() / "single/output.txt");
    const std::vector<double> stepped = displacements(dir.path() / "steps/output.txt");
    ASSERT_EQ(stepped.size(), 4u * 15u);  // 15 nodes
    for (std::size_t c = 0; c < single.size(); ++c) EXPECT_NEAR(stepped[c], single[c], 2.0E-8) << c;

    std::istringstream history(read_file(dir.path() / "steps/h"));
    std::string line;
    std::getline(history, line);
    EXPECT_EQ(line, "iteration,energy,max_residual,step,evaluations,load_step,load_factor\r");
    int step = 0;
    while (std::getline(history, line)) {
        step += line.rfind("0,", 0) == 0;  // every step from its row 0
        std::ostringstream tail;
        tail << "," << step << "," << step / 4.0 << "\r";
        EXPECT_TRUE(line.ends_with(tail.str())) << line;
    }
    EXPECT_EQ(step, 4);
}

// Newton's method carries the follower pressure's load stiffness and the load steps too: on the
// balloon it reaches L-BFGS's equilibrium in a handful of iterations, in one run and in steps.
// Its nodes slide along the sphere at little cost, so tight tolerances give positions to 1e-6.
TEST(steps, newton_reaches_the_equilibrium_in_one_run_and_in_steps) {
    scratch_dir dir;
    const std::pair<const char*, const char*> runs[] = {
        {"lbfgs", "--tolerance-factor 1e-9"},
        {"newton", "--method newton --tolerance-factor 1e-10"},
        {"newton-steps", "--method newton --tolerance-factor 1e-10 --steps 3"}};
    std::vector<std::vector<double>> found;
    for (const auto& [name, options] : runs) {
        fs::create_directory(dir.path() / name);
        write_file(dir.path() / name / "input.txt", balloon());
        const run_result run = run_in(melvar_exe(), dir.path() / name, options);
        ASSERT_EQ(run.exit_status, 0) << name << run.err;
        if (std::string(name) != "lbfgs") {
            std::smatch minor;
            ASSERT_TRUE(std::regex_search(run.out, minor, std::regex("Minor = +([0-9]+)")));
            EXPECT_LE(std::stoi(minor[1]), 12) << name;
        }
        found.push_back(displacements(dir.path() / name / "output.txt"));
    }
    for (std::size_t run = 1; run < found.size(); ++run)
        for (std::size_t c = 0; c < found[0].size(); ++c)
            EXPECT_NEAR(found[run][c], found[0][c], 2.0E-6) << runs[run].first << " " << c;
}

// A first step that holds at no increment (down to 1/64 of the planned one) ends the run with
// no report and no series: one that stops short of the test, and one whose line search fails,
// each leaving the .vtu of its last iterate (status 1 and 2).
TEST(steps, a_first_step_that_never_holds_ends_the_run_without_a_report) {
    struct ending {
        std::string program, input, first, failure;
        std::vector<std::string> written, absent;
    };
    const ending endings[] = {
        {melvar_exe(),
         balloon(10),
         "\nStep 1/3, load factor 0.3333333333333333\n\nMinor =    10     NOT Optimal\n",
         "did not converge within the iteration limit",
         {"s.vtu"},
         {"autocad.scr", "output.txt", "s-0001.vtu", "s.pvd"}},
        {dorvan_exe(),
         example_file("already-in-equilibrium-dorvan", "input.txt"),
         "\nStep 1/3, load factor 0.3333333333333333\nLine Search Failure\n",
         "stalled before it met the stopping test",
         {"s.vtu"},  // the last iterate's, with status 2
         {"autocad.scr", "output.txt", "s-0001.vtu", "s.pvd"}}};
    for (const ending& e : endings) {
        scratch_dir dir;
        write_file(dir.path() / "input.txt", e.input);
        const run_result run = run_in(e.program, dir.path(), "--steps 3 --vtu s.vtu");
        EXPECT_EQ(run.exit_status, 1);
        EXPECT_EQ(run.out.rfind(e.first + "Step 1 did not hold", 0), 0u) << run.out;
        EXPECT_NE(run.err.find(": no load step held: the step to load factor "
                               "0.005208333333333333 (an increment of 1/64 of the first) " +
                               e.failure),
                  std::string::npos)
            << run.err;
        for (const std::string& name : e.written)
            EXPECT_TRUE(fs::exists(dir.path() / name)) << name;
        for (const std::string& name : e.absent)
            EXPECT_FALSE(fs::exists(dir.path() / name)) << name;
    }
}

// The last try that ends NOT Optimal long before the iteration limit (dorvan's thin sheet, whose
// energy stops falling short of a tight stopping test) is said to have stalled, not to have run
// out of iterations.
TEST(steps, a_try_that_stops_short_of_the_limit_is_said_to_have_stalled) {
    scratch_dir dir;
    write_file(dir.path() / "input.txt", balloon(5000, 1.0E-9, {1.0, 100.0}, 6));
    const run_result run = run_in(dorvan_exe(), dir.path(), "--steps 10");
    EXPECT_EQ(run.exit_status, 1);
    const std::size_t last = run.out.rfind("\nStep 1, load factor ");
    ASSERT_NE(last, std::string::npos) << run.out;
    EXPECT_NE(run.out.find("NOT Optimal", last), std::string::npos) << run.out.substr(last);
    EXPECT_NE(run.err.find("stalled before it met the stopping test"), std::string::npos)
        << run.err;
}

}  // namespace
