// Which triangles make the sheet: a .geo and the .msh gmsh saves from it give the same input.txt,
// the surfaces outside every physical surface group left out.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "sheetprep_run.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;

// input.txt from the cap as the .geo (route 0) or as the .msh gmsh saves from it (route 1).
std::string cap_input(const fs::path& dir, int route) {
    testing_support::write_file(
        dir / "problem.toml",
        std::string("program = \"melvar\"\nmesh = \"cap.") + (route == 0 ? "geo" : "msh") +
            "\"\n[sheet]\nthickness = 0.1\nlaw = \"neo-hookean\"\nshear = 1\n[[support]]\n"
            "group = \"rim\"\nz = 0\n[[load]]\ngroup = \"cap\"\npressure = 0.01\n");
    EXPECT_EQ(sheetprep_testing::run_sheetprep({"problem.toml"}, dir).exit_status, 0);
    const std::string text = read_file(dir / "input.txt");
    return text.substr(text.find(": nodes"));
}

TEST(sheet_surfaces, geo_and_its_msh_give_the_same_input_and_leave_out_the_closing_disc) {
    testing_support::scratch_dir dir;
    fs::copy_file(sheetprep_testing::data_file("cap.geo"), dir.path() / "cap.geo");
    const std::string save = "cd '" + dir.path().string() + "' && gmsh -2 -v 0 cap.geo -o cap.msh";
    ASSERT_EQ(std::system(save.c_str()), 0);
    std::istringstream geo(cap_input(dir.path(), 0)), msh(cap_input(dir.path(), 1));
    // Line by line up to the loads (whose last digits follow the coordinates): the same text but
    // in the node lines, whose coordinates the .msh holds to 16 digits, and every node on the
    // sphere, none inside the closing disc.
    bool nodes = false;
    for (std::string line, other;
         std::getline(geo, line) && std::getline(msh, other) && line != ": loads";) {
        double x[2][4] = {}, radius = 0.0;
        nodes = line == ": nodes" || (nodes && line != ": elements");
        if (!nodes || std::sscanf(line.c_str(), "%lf %lf %lf %lf", &x[0][0], &x[0][1], &x[0][2],
                                  &x[0][3]) != 4) {
            EXPECT_EQ(line, other);
            continue;
        }
        std::sscanf(other.c_str(), "%lf %lf %lf %lf", &x[1][0], &x[1][1], &x[1][2], &x[1][3]);
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(x[0][j], x[1][j], 1e-15) << line;
        for (int j = 1; j < 4; ++j) radius += x[0][j] * x[0][j];
        EXPECT_NEAR(radius, 1.0, 1e-12) << line;
    }
}

}  // namespace
