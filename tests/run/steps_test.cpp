// Runs in load steps, through whole runs: --steps 1 writes what a plain run writes, byte for
// byte; more steps print a line per step, reach the single run's equilibrium, keep the history
// by step and write the ParaView series; a step that stops short or fails ends the run as a
// single run would, with the series of the steps before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/pressurised_sheets.hpp"
#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

// The inflated sphere octant for melvar: the follower pressure p on 4 x 4 cells, a dead load.
std::string balloon(const std::string& settings = "0.9 20 1e-11 1.0 8000 7") {
    const pressurised_sheets::sheet_mesh octant = pressurised_sheets::octant(4);
    std::vector<pressurised_sheets::point> loads(octant.nodes.size(), {0.0, 0.0, 0.0});
    loads[7] = {0.0, 0.0, 1.0E-3};
    return pressurised_sheets::problem_text(octant, 0.01, loads, 0.0079186, settings);
}

// The node table of output.txt: X, Y, Z displacement by node, as printed.
std::vector<double> displacements(const std::string& report) {
    std::vector<double> out;
    std::istringstream lines(report.substr(report.find("Displ Z")));
    std::string line;
    std::getline(lines, line);
    std::getline(lines, line);  // the rule
    while (std::getline(lines, line) && line != "\r") {
        std::istringstream values(line);
        double node, x, y, z;
        values >> node >> x >> y >> z;
        out.insert(out.end(), {x, y, z});
    }
    return out;
}

std::string step_lines(int count) {
    std::string out;
    for (int k = 1; k <= count; ++k) {
        std::ostringstream factor;
        factor << double(k) / count;
        out += "\nStep " + std::to_string(k) + "/" + std::to_string(count) + ", load factor " +
               factor.str() + "\n\nMinor = [ 0-9]{4}[0-9]     Optimal\n";
    }
    return out;
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

TEST(steps, reach_the_single_run_equilibrium_and_write_the_series) {
    scratch_dir dir;
    for (const std::string name : {"single", "steps"}) {
        fs::create_directory(dir.path() / name);
        write_file(dir.path() / name / "input.txt", balloon());
    }
    ASSERT_EQ(run_in(melvar_exe(), dir.path() / "single").exit_status, 0);
    const run_result run =
        run_in(melvar_exe(), dir.path() / "steps", "--steps 4 --vtu out/ball.vtu --history h.csv");
    // no out/: the first file of the series cannot be made
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.err, "melvar: cannot create out/ball-0001.vtu: No such file or directory\n");
    fs::create_directory(dir.path() / "steps" / "out");
    const run_result steps =
        run_in(melvar_exe(), dir.path() / "steps", "--steps 4 --vtu out/ball.vtu --history h.csv");
    ASSERT_EQ(steps.exit_status, 0) << steps.err;
    EXPECT_TRUE(std::regex_match(steps.out, std::regex(step_lines(4)))) << steps.out;

    const std::vector<double> single = displacements(read_file(dir.path() / "single/output.txt"));
    const std::vector<double> stepped = displacements(read_file(dir.path() / "steps/output.txt"));
    ASSERT_EQ(stepped.size(), single.size());
    ASSERT_GT(single.size(), 0u);
    for (std::size_t c = 0; c < single.size(); ++c) EXPECT_NEAR(stepped[c], single[c], 2.0E-8) << c;

    std::string collection =
        "<?xml version=\"1.0\"?>\n"
        "<VTKFile type=\"Collection\" version=\"0.1\" byte_order=\"LittleEndian\">\n"
        "  <Collection>\n";
    for (const char* step : {"0.25\" group=\"\" part=\"0\" file=\"ball-0001",
                             "0.5\" group=\"\" "
                             "part=\"0\" file=\"ball-0002",
                             "0.75\" group=\"\" part=\"0\" file=\""
                             "ball-0003",
                             "1\" group=\"\" part=\"0\" file=\"ball-0004"})
        collection += std::string("    <DataSet timestep=\"") + step + ".vtu\"/>\n";
    collection += "  </Collection>\n</VTKFile>\n";
    EXPECT_EQ(read_file(dir.path() / "steps/out/ball.pvd"), collection);
    EXPECT_TRUE(fs::exists(dir.path() / "steps/out/ball.vtu"));

    // The history: every step from its row 0, its number and factor in the last two columns.
    std::istringstream history(read_file(dir.path() / "steps/h.csv"));
    std::string line;
    std::getline(history, line);
    EXPECT_EQ(line, "iteration,energy,max_residual,step,evaluations,load_step,load_factor\r");
    int step = 0;
    while (std::getline(history, line)) {
        if (line.rfind("0,", 0) == 0) ++step;
        std::ostringstream tail;
        tail << "," << step << "," << step / 4.0 << "\r";
        EXPECT_TRUE(line.ends_with(tail.str())) << line;
    }
    EXPECT_EQ(step, 4);
}

TEST(steps, a_step_short_of_the_stopping_test_ends_the_run_with_its_files) {
    scratch_dir dir;
    write_file(dir.path() / "input.txt", balloon("0.9 20 1e-9 1.0 10 7"));
    const run_result run = run_in(melvar_exe(), dir.path(), "--steps 3 --vtu s.vtu");
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.out,
              "\nStep 1/3, load factor 0.3333333333333333\n\nMinor =    10     NOT Optimal\n");
    for (const std::string name : {"ansys.txt", "autocad.scr", "output.txt", "s.vtu", "s-0001.vtu"})
        EXPECT_TRUE(fs::exists(dir.path() / name)) << name;
    EXPECT_FALSE(fs::exists(dir.path() / "s-0002.vtu"));
    const std::string collection = read_file(dir.path() / "s.pvd");
    EXPECT_EQ(std::count(collection.begin(), collection.end(), '\n'), 6);  // one DataSet
    const std::string deck = read_file(dir.path() / "ansys.txt");
    EXPECT_NE(deck.find("\r\n! 16 TRIANGLES CARRY FOLLOWER PRESSURE THAT THIS DECK DOES NOT "
                        "EXPRESS\r\n"),
              std::string::npos);
}

TEST(steps, a_failed_line_search_writes_none_of_the_three_files) {
    scratch_dir dir;
    write_file(dir.path() / "input.txt",
               example_file("already-in-equilibrium-dorvan", "input.txt"));
    const run_result run = run_in(dorvan_exe(), dir.path(), "--steps 2 --vtu s.vtu");
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "\nStep 1/2, load factor 0.5\nLine Search Failure\n");
    for (const std::string name : {"autocad.scr", "output.txt", "s.vtu", "s-0001.vtu", "s.pvd"})
        EXPECT_FALSE(fs::exists(dir.path() / name)) << name;
}

}  // namespace
