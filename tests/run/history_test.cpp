// The --history file through whole runs: its rows, that keeping it changes nothing else a run
// writes, the history of a run that halts and a history that cannot be written.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

struct row {
    long iteration, evaluations;
    double energy, max_residual, step;
};

// The rows under the header; each line holds five fields and ends with CR LF.
std::vector<row> rows_of(const fs::path& file) {
    std::istringstream lines(read_file(file));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "iteration,energy,max_residual,step,evaluations\r");
    std::vector<row> rows;
    for (row r{}; std::getline(lines, line); rows.push_back(r)) {
        int used = 0;
        EXPECT_EQ(std::sscanf(line.c_str(), "%ld,%lf,%lf,%lf,%ld\r%n", &r.iteration, &r.energy,
                              &r.max_residual, &r.step, &r.evaluations, &used),
                  5);
        EXPECT_EQ(static_cast<std::size_t>(used), line.size()) << line;
    }
    return rows;
}

TEST(history, has_a_row_per_iteration_and_changes_nothing_else_a_run_writes) {
    for (const std::string example :
         {"one-triangle-dorvan", "one-triangle-melvar", "pressure-prestretched-dorvan",
          "strip-arruda-boyce-melvar"}) {
        scratch_dir dir;
        fs::create_directory(dir.path() / "case");
        write_file(dir.path() / "case" / "input.txt", example_file(example, "input.txt"));
        const bool dorvan = example.find("dorvan") != std::string::npos;
        const run_result run =
            run_in(dorvan ? dorvan_exe() : melvar_exe(), dir.path(), "--history h.csv case");
        EXPECT_EQ(run.exit_status, 0);
        EXPECT_EQ(run.err, "");  // no terminal: nothing extra
        EXPECT_EQ(run.out, example_file(example, "expected/stdout.txt"));
        for (const std::string name : {"ansys.txt", "autocad.scr", "output.txt"})
            EXPECT_EQ(read_file(dir.path() / "case" / name),
                      example_file(example, "expected/" + name))
                << name;

        const std::vector<row> rows = rows_of(dir.path() / "case" / "h.csv");
        ASSERT_EQ(rows.size(), std::stoul(run.out.substr(run.out.find('=') + 1)) + 1) << example;
        for (std::size_t k = 0; k < rows.size(); ++k) {
            EXPECT_EQ(rows[k].iteration, long(k));
            EXPECT_EQ(rows[k].step > 0.0, k > 0) << k;
            // the start's evaluation, then at least a unit trial and a sectioning trial each
            EXPECT_EQ(rows[k].evaluations >= (k == 0 ? 1 : rows[k - 1].evaluations + 2), true) << k;
        }
        EXPECT_EQ(rows[0].evaluations, 1);
        char energy[32];  // the report's format, with its sign column
        std::snprintf(energy, sizeof energy, "| % .8E |", rows.back().energy);
        EXPECT_NE(read_file(dir.path() / "case" / "output.txt").find(energy), std::string::npos)
            << energy;
    }
}

TEST(history, of_a_run_that_halts_holds_its_starting_point) {
    scratch_dir dir;
    write_file(dir.path() / "input.txt",
               example_file("already-in-equilibrium-dorvan", "input.txt"));
    const run_result run = run_in(dorvan_exe(), dir.path(), "--history h.csv");
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "Line Search Failure\n");
    EXPECT_EQ(run.err.rfind("dorvan: NLP.HALT: ", 0), 0u) << run.err;
    const std::vector<row> rows = rows_of(dir.path() / "h.csv");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].iteration, 0);
    EXPECT_EQ(rows[0].max_residual, 0.0);  // the zero gradient that ends the run
    EXPECT_EQ(rows[0].evaluations, 1);
}

TEST(history, that_cannot_be_written_fails_the_run_before_it_minimises) {
    // Found before input.txt is read: a folder named as the FILE is a mistake on the command
    // line (status 2), a FILE whose directory is missing or is no directory a failure (status 1).
    const std::tuple<const char*, int, const char*> unwritables[] = {
        {"missing/h.csv", 1, "cannot create missing/h.csv: the directory 'missing' does not exist"},
        {"folder", 2,
         "--history: 'folder' is a directory, not a regular file\nTry 'melvar --help'."},
        {"input.txt/h.csv", 1, "cannot create input.txt/h.csv: 'input.txt' is not a directory"},
    };
    for (const auto& [name, status, report] : unwritables) {
        scratch_dir dir;
        write_file(dir.path() / "input.txt", example_file("one-triangle-melvar", "input.txt"));
        fs::create_directory(dir.path() / "folder");
        const run_result run = run_in(melvar_exe(), dir.path(), std::string("--history ") + name);
        EXPECT_EQ(run.exit_status, status) << name;
        EXPECT_EQ(run.err, std::string("melvar: ") + report + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(fs::exists(dir.path() / "ansys.txt") ||
                     fs::exists(dir.path() / "autocad.scr") ||
                     fs::exists(dir.path() / "output.txt"))
            << name;
        EXPECT_TRUE(fs::is_empty(dir.path() / "folder")) << name;
    }
}

}  // namespace
