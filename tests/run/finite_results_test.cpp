// Whole runs whose line searches meet energies that are NaN or infinite: a tolerance the run
// cannot reach, a sheet with no load whose gradient is round-off, loads so large that every
// trial overflows. Each run ends either completed and not optimal with every number it wrote
// finite, or with the line search's failure and its reason, and never writes a NaN.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "dorvan/model_text.hpp"
#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

// The settings line of the worked examples.
dorvan_tests::solver_settings example_settings() {
    return {.search_factor = 0.9,
            .search_limit = 10,
            .tolerance_factor = 0.001,
            .reference_force = 0.0,
            .max_iterations = 3000,
            .memory_size = 5};
}

// An n x n grid of squares 0.1 wide (two triangles each) in the plane through the X axis that
// rises 0.8 in Z for 0.6 in Y, with no load: its coordinates are not binary fractions, so the
// gradient at the start is round-off. Held at the edge y = 0, or at the whole border.
std::string tilted_sheet(int n, bool whole_border, bool compressible) {
    dorvan_tests::problem p;
    p.settings = example_settings();
    p.material = compressible ? dorvan_tests::material_line{1, {1.0, 4.0}}
                              : dorvan_tests::material_line{1, {1.0}};
    const int columns = n + 1;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            const int node = j * columns + i + 1;
            p.nodes.push_back({node, i * 0.1, j * 0.1 * 0.6, j * 0.1 * 0.8});
            if (j == 0 || (whole_border && (i == 0 || i == n || j == n)))
                for (int direction = 1; direction <= 3; ++direction)
                    p.prescribed.push_back({node, direction, 0.0});
        }
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const int a = j * columns + i + 1, b = a + 1, d = a + columns, e = d + 1;
            const int number = static_cast<int>(p.elements.size()) + 1;
            p.elements.push_back({number, a, b, e});
            p.elements.push_back({number + 1, a, e, d});
        }
    return dorvan_tests::input_text(p);
}

// The one-triangle example pulled at node 3 by force.
std::string pulled_triangle(const std::string& program, const std::string& force) {
    std::string text = example_file("one-triangle-" + program, "input.txt");
    const std::string load = "3 2 0.1";
    text.replace(text.find(load), load.size(), "3 2 " + force);
    return text;
}

std::string lower_case(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

struct history_row {
    long iteration;
    double energy, max_residual, step;
};

// The rows of the --history file; every field must read as a number.
std::vector<history_row> history_of(const fs::path& file) {
    std::istringstream lines(read_file(file));
    std::string line;
    std::getline(lines, line);
    std::vector<history_row> rows;
    while (std::getline(lines, line)) {
        history_row row{};
        long evaluations = 0;
        EXPECT_EQ(std::sscanf(line.c_str(), "%ld,%lf,%lf,%lf,%ld", &row.iteration, &row.energy,
                              &row.max_residual, &row.step, &evaluations),
                  5)
            << line;
        rows.push_back(row);
    }
    return rows;
}

enum class ending { not_optimal, line_search_failure };

struct finite_case {
    const char* name;
    const char* program;
    std::string input;  // input.txt, or "" for the example the sheet preparer builds
    const char* example;
    const char* arguments;
    ending end;
    const char* stdout_text;    // exactly, or "" when the iteration count is the mesher's
    std::string warnings = "";  // standard error of a run that ends not optimal
};
void PrintTo(const finite_case& c, std::ostream* out) {
    *out << c.name;
}

const char* const failure_reason =
    "NLP.HALT: linesearch: every step tried along the search direction gave an energy or slope "
    "that is not a finite number (or an energy above the start's)\n";

std::vector<finite_case> finite_cases() {
    return {
        // the tolerance cannot be met: the searches end where x no longer changes
        {"square_at_an_unreachable_tolerance", "dorvan",
         read_file(fs::path(EXAMPLES_DIR) / "prestretched-square" / "input.txt"), "",
         "--tolerance-factor 1e-12", ending::not_optimal, "\nMinor =   130     NOT Optimal\n"},
        {"disc_at_an_unreachable_tolerance", "dorvan", "", "inflated-disc",
         "--tolerance-factor 1e-14", ending::not_optimal, ""},
        {"balloon_at_an_unreachable_tolerance", "melvar", "", "balloon", "--tolerance-factor 1e-14",
         ending::not_optimal, ""},
        // no load: the start's gradient is round-off, the first steps change nothing
        {"unloaded_tilted_square", "dorvan", tilted_sheet(1, true, true), "", "",
         ending::not_optimal, "\nMinor =     1     NOT Optimal\n"},
        // held at one edge only, so free to turn about it
        {"unloaded_tilted_sheet", "melvar", tilted_sheet(2, false, false), "", "",
         ending::not_optimal, "\nMinor =     5     NOT Optimal\n",
         "melvar: warning: the supports leave the sheet free to move as a rigid body (rotation "
         "about X); hold a component against each of these motions, or the result may drift "
         "along them\n"},
        // every step of the first search overflows
        {"triangle_pulled_by_1e300_dorvan", "dorvan", pulled_triangle("dorvan", "1E300"), "", "",
         ending::line_search_failure, "Line Search Failure\n"},
        {"triangle_pulled_by_1e150_melvar", "melvar", pulled_triangle("melvar", "1E150"), "", "",
         ending::line_search_failure, "Line Search Failure\n"},
    };
}

class finite_results : public testing::TestWithParam<finite_case> {};

TEST_P(finite_results, NoNaNIsWrittenAndTheRunEndsOneOfTwoWays) {
    const finite_case& c = GetParam();
    scratch_dir dir;
    if (c.input.empty()) {
        const std::string prepare =
            "'" SHEETPREP_EXE "' -o '" + (dir.path() / "input.txt").string() + "' '" +
            (fs::path(EXAMPLES_DIR) / c.example / "problem.toml").string() + "' > /dev/null";
        ASSERT_EQ(std::system(prepare.c_str()), 0) << prepare;
    } else {
        write_file(dir.path() / "input.txt", c.input);
    }
    const std::string program = c.program;
    const run_result run = run_in(program == "dorvan" ? dorvan_exe() : melvar_exe(), dir.path(),
                                  std::string("--history h.csv ") + c.arguments);

    const std::vector<history_row> rows = history_of(dir.path() / "h.csv");
    ASSERT_FALSE(rows.empty());
    for (const history_row& row : rows) {
        EXPECT_TRUE(std::isfinite(row.energy)) << "iteration " << row.iteration;
        EXPECT_TRUE(std::isfinite(row.max_residual)) << "iteration " << row.iteration;
        EXPECT_TRUE(std::isfinite(row.step)) << "iteration " << row.iteration;
    }

    if (c.end == ending::not_optimal) {
        EXPECT_EQ(run.exit_status, 0);
        EXPECT_EQ(run.err, c.warnings);
        if (std::string(c.stdout_text).empty()) {
            EXPECT_EQ(run.out.rfind("\nMinor = ", 0), 0u) << run.out;
            EXPECT_NE(run.out.find("     NOT Optimal\n"), std::string::npos) << run.out;
        } else {
            EXPECT_EQ(run.out, c.stdout_text);
        }
        // stopped by the search, well before the limit of 3000 or 5000
        const long minor = std::stol(run.out.substr(run.out.find('=') + 1));
        EXPECT_LT(minor, 3000);
        EXPECT_EQ(rows.back().iteration, minor);
        const std::string report = lower_case(read_file(dir.path() / "output.txt"));
        EXPECT_EQ(report.find("nan"), std::string::npos);
        EXPECT_EQ(report.find("inf"), std::string::npos);
        char energy[32];  // the report's format, with its sign column
        std::snprintf(energy, sizeof energy, "| % .8E |", rows.back().energy);
        EXPECT_NE(read_file(dir.path() / "output.txt").find(energy), std::string::npos) << energy;
    } else {
        EXPECT_EQ(run.exit_status, 1);
        EXPECT_EQ(run.out, c.stdout_text);
        EXPECT_EQ(run.err, program + ": " + failure_reason);
        EXPECT_TRUE(fs::exists(dir.path() / "ansys.txt"));
        EXPECT_FALSE(fs::exists(dir.path() / "output.txt"));
        EXPECT_FALSE(fs::exists(dir.path() / "autocad.scr"));
        EXPECT_EQ(rows.size(), 1u);  // the start, the only finite point found
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, finite_results, testing::ValuesIn(finite_cases()),
                         [](const testing::TestParamInfo<finite_case>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
