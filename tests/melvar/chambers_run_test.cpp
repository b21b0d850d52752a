// Whole melvar runs of a sphere octant inflated by its volume past the pressure's maximum, by
// both methods: each step's pressure against the thin neo-Hookean sphere's closed form, and the
// chamber on the console, in the history, the .vtu, the report and the deck.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>
#include <vector>

#include "support/pressurised_sheets.hpp"
#include "support/program_run.hpp"

namespace {

using namespace testing_support;

// p R / (mu t0) of a thin neo-Hookean sphere at the stretch s: its maximum is at 7^(1/6).
double sphere_pressure(double s) {
    return 2.0 * (1.0 / s - 1.0 / std::pow(s, 7.0));
}

struct chamber_line {
    double volume, pressure;
};

// Every "Chamber 1: volume V, pressure p" line of the console, in order.
std::vector<chamber_line> chamber_lines(const std::string& out) {
    std::vector<chamber_line> lines;
    const std::regex line("Chamber 1: volume ([^,]+), pressure (\\S+)");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), line); it != std::sregex_iterator();
         ++it)
        lines.push_back({std::stod((*it)[1]), std::stod((*it)[2])});
    return lines;
}

TEST(chambers_run, a_sphere_by_volume_passes_its_pressure_maximum_by_either_method) {
    const double t0 = 0.01, final_stretch = 1.9;
    dorvan_tests::problem octant = pressurised_sheets::octant(8, t0);
    octant.settings.tolerance_factor = 1.0E-10;
    // the octant's own initial volume, from a run that keeps it
    scratch_dir probe;
    const run_result kept = run_with_input(melvar_exe(), probe.path(),
                                           pressurised_sheets::with_chamber(octant, "volume 0"));
    ASSERT_EQ(kept.exit_status, 0) << kept.err;
    const double v0 = chamber_lines(kept.out).at(0).volume;
    const double change = v0 * (std::pow(final_stretch, 3.0) - 1.0);
    const std::string text =
        pressurised_sheets::with_chamber(octant, "volume " + dorvan_tests::exact(change));
    for (const char* method : {"newton", "lbfgs"}) {
        scratch_dir dir;
        write_file(dir.path() / "input.txt", text);
        const run_result stepped =
            run_in(melvar_exe(), dir.path(),
                   std::string("--method ") + method + " --steps 6 --history h.csv --vtu r.vtu");
        ASSERT_EQ(stepped.exit_status, 0) << method << ": " << stepped.err;
        const std::vector<chamber_line> steps = chamber_lines(stepped.out);
        ASSERT_EQ(steps.size(), 6u) << stepped.out;
        double rose = 0.0, fell = 0.0, last = 0.0;
        for (std::size_t k = 0; k < steps.size(); ++k) {
            const double s = std::pow(steps[k].volume / v0, 1.0 / 3.0);
            const double target = v0 + change * static_cast<double>(k + 1) / 6.0;
            // the volume as printed, to 6 digits
            EXPECT_NEAR(steps[k].volume / target, 1.0, 5.0E-6) << method << ", step " << k + 1;
            // the coarse octant's pressure is 1.06 % above the closed form at every stretch
            EXPECT_NEAR(steps[k].pressure / t0 / sphere_pressure(s), 1.0106, 0.001)
                << method << ", step " << k + 1 << ", stretch " << s;
            if (k > 0) (steps[k].pressure > last ? rose : fell) += 1.0;
            last = steps[k].pressure;
        }
        EXPECT_GT(rose, 0.0);
        EXPECT_GT(fell, 0.0);

        const std::string history = read_file(dir.path() / "h.csv");
        EXPECT_NE(history.find("evaluations,load_step,load_factor,chamber_1_volume,"
                               "chamber_1_pressure\r\n"),
                  std::string::npos);
        const std::string vtu = read_file(dir.path() / "r.vtu");
        EXPECT_NE(vtu.find("Name=\"chamber_1_pressure\""), std::string::npos);
        EXPECT_NE(vtu.find("Name=\"chamber_1_volume\""), std::string::npos);
        const std::string report = read_file(dir.path() / "output.txt");
        const std::regex table(
            " Chamber     Control            Volume          Pressure\r\n-+\r\n"
            "       1      volume      (\\S+)      (\\S+)\r\n$");
        std::smatch row;
        ASSERT_TRUE(std::regex_search(report, row, table)) << report.substr(report.size() - 300);
        EXPECT_NEAR(std::stod(row[1]) / steps.back().volume, 1.0, 5.0E-6);
        EXPECT_NEAR(std::stod(row[2]) / steps.back().pressure, 1.0, 1.0E-5);
        EXPECT_NE(read_file(dir.path() / "ansys.txt")
                      .find("! 1 CHAMBER OF 64 TRIANGLES THAT THIS DECK DOES NOT EXPRESS"),
                  std::string::npos);
    }
}

}  // namespace
