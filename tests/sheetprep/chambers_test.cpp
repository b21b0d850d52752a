// Chambers from the problem file to the solver's report: the section sheetprep writes, a sphere
// octant taken by its volume through both turning points of its pressure, and a gas-filled one
// whose equilibrium lies past the pressure's maximum, each against the thin sphere's closed form.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <regex>

#include "sheetprep_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

// The octant of the examples with its element size.
std::string octant(const std::string& size) {
    const std::string geo = read_file(fs::path(EXAMPLES_DIR) / "balloon" / "octant.geo");
    const std::size_t at = geo.find("size = 0.1;");
    return geo.substr(0, at) + "size = " + size + ";" + geo.substr(at + 11);
}

// The first match of pattern's group 1 in text.
std::string first(const std::string& text, const std::string& pattern) {
    std::smatch match;
    if (!std::regex_search(text, match, std::regex(pattern))) return "(no match)";
    return match[1];
}

// Each step's "Chamber 1: volume V, pressure p" on the console.
std::vector<std::array<double, 2>> chamber_steps(const std::string& out) {
    std::vector<std::array<double, 2>> steps;
    const std::regex line("Chamber 1: volume ([^,]+), pressure (\\S+)");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), line); it != std::sregex_iterator();
         ++it)
        steps.push_back({std::stod((*it)[1]), std::stod((*it)[2])});
    return steps;
}

// The root of f between low and high, where f changes sign, by bisection.
double root(const std::function<double(double)>& f, double low, double high) {
    for (int k = 0; k < 100; ++k) {
        const double middle = 0.5 * (low + high);
        ((f(middle) > 0.0) == (f(low) > 0.0) ? low : high) = middle;
    }
    return 0.5 * (low + high);
}

// The balloon-volume example on a coarse octant (58 triangles), to 64 times its volume in 40
// steps: p R / (c10 H) = 4 (1/l - 1/l^7) (1 + 0.1 l^2) rises to l = 1.476, falls to l = 3.143 and
// rises again, and the octant's faceted sphere stays 1.08 % stiffer throughout.
TEST(chamber_run, a_mooney_rivlin_sphere_by_volume_passes_both_turning_points) {
    scratch_dir dir;
    const fs::path folder = fs::path(EXAMPLES_DIR) / "balloon-volume";
    std::string problem = read_file(folder / "problem.toml");
    problem.replace(problem.find("volume_ratio = 216.0"), 20, "volume_ratio = 64.0");
    write_file(dir.path() / "problem.toml", problem);
    write_file(dir.path() / "octant.geo", octant("0.3"));
    const auto prepared = sheetprep_testing::run_sheetprep({"problem.toml"}, dir.path());
    ASSERT_EQ(prepared.exit_status, 0) << prepared.err;
    const double v0 =
        std::stod(first(prepared.out, "chamber 1 +58 triangles, initial volume ([^,]+), volume "));
    const std::string change = first(prepared.out, "initial volume [^,]+, volume (\\S+)\n");
    EXPECT_NEAR(std::stod(change) / (63.0 * v0), 1.0, 1e-9);
    const std::string input = read_file(dir.path() / "input.txt");
    EXPECT_NE(input.find(": chambers\n1\n  chamber control values elements\n1 volume " + change +
                         " 58\n1 2 3 4 5 6 7 8 9 10\n11 12"),
              std::string::npos);
    EXPECT_EQ(input.substr(input.size() - 25), "\n51 52 53 54 55 56 57 58\n");

    const run_result run = run_in(melvar_exe(), dir.path(), "--method newton --steps 40");
    ASSERT_EQ(run.exit_status, 0) << run.err;
    const auto steps = chamber_steps(run.out);
    ASSERT_EQ(steps.size(), 40u);
    std::string turns;
    for (std::size_t k = 0; k < steps.size(); ++k) {
        const double l = std::pow(steps[k][0] / v0, 1.0 / 3.0);
        const double closed = 4.0 * (1.0 / l - 1.0 / std::pow(l, 7.0)) * (1.0 + 0.1 * l * l);
        EXPECT_NEAR(steps[k][1] / 0.01 / closed, 1.0108, 0.0005) << "step " << k + 1;
        if (k > 0) {
            const char way = steps[k][1] > steps[k - 1][1] ? 'r' : 'f';
            if (turns.empty() || turns.back() != way) turns += way;
        }
    }
    EXPECT_EQ(turns, "rfr");
    EXPECT_NE(run.out.rfind("Optimal"), std::string::npos);
}

// A neo-Hookean octant (mu = 1, H = 0.01, 106 triangles) filled with a gas of fixed amount,
// p (V + 0.5)^1.4 = 0.08 (V0 + 0.5)^1.4: the membrane's 2 (mu H / R) (1/l - 1/l^7) meets the gas
// once, at l = 1.98, past its maximum at 1.383. There the gas's pressure falls with the stretch
// as l^-3.7 and the membrane's as l^-0.9 only, so the equilibrium is stable.
TEST(chamber_run, a_gas_balloon_rests_past_the_pressure_maximum) {
    scratch_dir dir;
    std::string problem = read_file(fs::path(EXAMPLES_DIR) / "balloon" / "problem.toml");
    problem = problem.substr(0, problem.find("[[load]]")) +
              "[[chamber]]\ngroups = [\"skin\"]\ngas_pressure = 0.08\nexponent = 1.4\n"
              "extra_volume = 0.5\n";
    write_file(dir.path() / "problem.toml", problem);
    write_file(dir.path() / "octant.geo", octant("0.2"));
    const auto prepared = sheetprep_testing::run_sheetprep({"problem.toml"}, dir.path());
    ASSERT_EQ(prepared.exit_status, 0) << prepared.err;
    const std::string v0_text =
        first(prepared.out, "chamber 1 +106 triangles, initial volume [^,]+, gas 0.08 (\\S+) ");
    const double v0 = std::stod(v0_text);
    EXPECT_NE(
        read_file(dir.path() / "input.txt").find("\n1 gas 0.08 " + v0_text + " 1.4 0.5 106\n"),
        std::string::npos);

    const run_result run = run_in(melvar_exe(), dir.path(), "--method newton");
    ASSERT_EQ(run.exit_status, 0) << run.err;
    const auto steps = chamber_steps(run.out);
    ASSERT_EQ(steps.size(), 1u);
    const double gas = 0.08 * std::pow(v0 + 0.5, 1.4);
    const double l = root(
        [&](double s) {
            return gas / std::pow(v0 * s * s * s + 0.5, 1.4) - 0.02 * (1.0 / s - std::pow(s, -7.0));
        },
        std::pow(7.0, 1.0 / 6.0), 4.0);
    EXPECT_NEAR(l, 1.980, 0.001);
    EXPECT_NEAR(std::pow(steps[0][0] / v0, 1.0 / 3.0) / l, 1.0, 0.005);
    // the gas's own law holds at the volume and pressure found
    EXPECT_NEAR(steps[0][1] * std::pow(steps[0][0] + 0.5, 1.4) / gas, 1.0, 1e-5);
    const std::string report = read_file(dir.path() / "output.txt");
    std::smatch row;
    ASSERT_TRUE(std::regex_search(
        report, row, std::regex("\n       1         gas      (\\S+)      (\\S+)\r\n$")))
        << report.substr(report.size() - 200);
    EXPECT_NEAR(std::stod(row[1]) / steps[0][0], 1.0, 5e-6);
    EXPECT_NEAR(std::stod(row[2]) / steps[0][1], 1.0, 5e-6);
}

}  // namespace
