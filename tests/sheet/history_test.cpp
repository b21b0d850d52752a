// The --history file through whole runs: its rows, that watching changes nothing the programs
// write, the history of a failing run and a history that cannot be written.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

struct row {
    long iteration;
    double energy, max_residual, step;
    long evaluations;
};

// The rows after the header; every line must end with CR LF and hold five fields.
std::vector<row> rows_of(const std::string& text) {
    const std::string header = "iteration,energy,max_residual,step,evaluations\r\n";
    EXPECT_EQ(text.substr(0, header.size()), header);
    std::vector<row> rows;
    std::istringstream lines(text.substr(header.size()));
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(line.back(), '\r') << line;
        row r{};
        int used = 0;
        EXPECT_EQ(std::sscanf(line.c_str(), "%ld,%lf,%lf,%lf,%ld\r%n", &r.iteration, &r.energy,
                              &r.max_residual, &r.step, &r.evaluations, &used),
                  5)
            << line;
        EXPECT_EQ(static_cast<std::size_t>(used), line.size()) << line;
        rows.push_back(r);
    }
    return rows;
}

// The number after "Minor =" in the console summary.
long minor_of(const std::string& out) {
    return std::atol(out.substr(out.find("=") + 1).c_str());
}

class history_of_a_run : public ::testing::TestWithParam<std::string> {};

TEST_P(history_of_a_run, has_a_row_per_iteration_and_changes_nothing_else) {
    const std::string example = GetParam();
    const bool dorvan = example.find("dorvan") != std::string::npos;
    scratch_dir dir;
    write_file(dir.path() / "input.txt", example_file(example, "input.txt"));
    const run_result run =
        run_in(dorvan ? dorvan_exe() : melvar_exe(), dir.path(), "--history runs/h.csv .");
    // the folder is missing: the run fails before it minimises
    EXPECT_EQ(run.exit_status, 1);
    fs::create_directory(dir.path() / "runs");
    const run_result watched =
        run_in(dorvan ? dorvan_exe() : melvar_exe(), dir.path(), "--history runs/h.csv .");
    EXPECT_EQ(watched.exit_status, 0);
    EXPECT_EQ(watched.err, "");  // no terminal: nothing extra
    EXPECT_EQ(watched.out, example_file(example, "expected/stdout.txt"));
    for (const char* name : {"ansys.txt", "autocad.scr", "output.txt"})
        EXPECT_EQ(read_file(dir.path() / name),
                  example_file(example, std::string("expected/") + name))
            << name;

    const std::vector<row> rows = rows_of(read_file(dir.path() / "runs" / "h.csv"));
    ASSERT_EQ(static_cast<long>(rows.size()), minor_of(watched.out) + 1);
    EXPECT_EQ(rows[0].step, 0.0);
    EXPECT_EQ(rows[0].evaluations, 1);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        EXPECT_EQ(rows[k].iteration, static_cast<long>(k));
        if (k == 0) continue;
        EXPECT_GT(rows[k].evaluations, rows[k - 1].evaluations + 1) << k;  // unit trial + one
        EXPECT_GT(rows[k].step, 0.0) << k;
    }
    char energy[32];
    std::snprintf(energy, sizeof energy, "% .8E", rows.back().energy);  // with its sign column
    EXPECT_NE(read_file(dir.path() / "output.txt").find(std::string("| ") + energy + " |"),
              std::string::npos)
        << energy;
}

INSTANTIATE_TEST_SUITE_P(examples, history_of_a_run,
                         ::testing::Values("one-triangle-dorvan", "one-triangle-melvar",
                                           "pressure-prestretched-dorvan",
                                           "strip-arruda-boyce-melvar"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

TEST(history, of_a_run_that_halts_holds_its_starting_point) {
    const std::string example = "already-in-equilibrium-dorvan";
    scratch_dir dir;
    write_file(dir.path() / "input.txt", example_file(example, "input.txt"));
    const run_result run = run_in(dorvan_exe(), dir.path(), "--history h.csv");
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "Line Search Failure\n");
    EXPECT_EQ(run.err.rfind("dorvan: NLP.HALT: ", 0), 0u) << run.err;
    EXPECT_EQ(read_file(dir.path() / "ansys.txt"), example_file(example, "expected/ansys.txt"));
    const std::vector<row> rows = rows_of(read_file(dir.path() / "h.csv"));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].iteration, 0);
    EXPECT_EQ(rows[0].max_residual, 0.0);  // the zero gradient that ends the run
    EXPECT_EQ(rows[0].step, 0.0);
    EXPECT_EQ(rows[0].evaluations, 1);
}

struct unwritable {
    const char* name;
    const char* reason;
};

const unwritable unwritables[] = {
    {"missing/h.csv", "No such file or directory"},
    {"folder", "Is a directory"},
    {"input.txt/h.csv", "Not a directory"},
};

TEST(history, that_cannot_be_written_fails_the_run_before_it_minimises) {
    const std::string example = "one-triangle-melvar";
    for (const unwritable& u : unwritables) {
        scratch_dir dir;
        write_file(dir.path() / "input.txt", example_file(example, "input.txt"));
        fs::create_directory(dir.path() / "folder");
        const run_result run = run_in(melvar_exe(), dir.path(), std::string("--history ") + u.name);
        EXPECT_EQ(run.exit_status, 1) << u.name;
        EXPECT_EQ(run.err, std::string("melvar: cannot create ") + u.name + ": " + u.reason + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(fs::exists(dir.path() / "ansys.txt")) << u.name;
        EXPECT_FALSE(fs::exists(dir.path() / "output.txt")) << u.name;
        EXPECT_FALSE(fs::exists(dir.path() / "autocad.scr")) << u.name;
        EXPECT_TRUE(fs::is_empty(dir.path() / "folder")) << u.name;
    }
}

}  // namespace
