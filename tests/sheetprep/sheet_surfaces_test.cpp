// Which triangles make the sheet, and where the problem file may come from: a .geo and the .msh
// gmsh saves from it give the same input.txt, the surfaces outside every physical surface group
// left out; a problem file read through a pipe gives what the file gives.
#include <gtest/gtest.h>

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
    // The .msh holds 16 digits of a coordinate: the node lines agree to that, all else exactly
    // (the loads, which follow the coordinates, aside).
    std::string line, other;
    int nodes = 0;
    geo >> line >> line >> nodes, msh >> other >> other >> other;  // ": nodes" and the count
    for (int skip = 0; skip < 2; ++skip) std::getline(geo, line), std::getline(msh, other);
    for (int k = 1; k <= nodes; ++k) {
        double at_geo[4], at_msh[4], radius = 0.0;
        for (int j = 0; j < 4; ++j) geo >> at_geo[j], msh >> at_msh[j];
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(at_geo[j], at_msh[j], 1e-15) << k;
        for (int j = 1; j < 4; ++j) radius += at_geo[j] * at_geo[j];
        EXPECT_NEAR(radius, 1.0, 1e-12) << "node " << k << " is off the sphere";
    }
    for (std::getline(geo, line), std::getline(msh, other); line != ": loads";
         std::getline(geo, line), std::getline(msh, other))
        EXPECT_EQ(line, other);
}

TEST(problem_file, read_through_a_pipe_gives_what_the_file_gives) {
    testing_support::scratch_dir dir;
    fs::copy_file(sheetprep_testing::data_file("dome.geo"), dir.path() / "dome.geo");
    testing_support::write_file(dir.path() / "problem.toml",
                                "program = \"dorvan\"\nmesh = \"dome.geo\"\n[sheet]\nthickness = "
                                "0.5\nlaw = \"neo-hookean\"\nshear = 1\nbulk = 9\n[[support]]\n"
                                "group = \"rim\"\nz = 0\n");
    ASSERT_EQ(sheetprep_testing::run_sheetprep({"-o", "file.txt", "problem.toml"}, dir.path())
                  .exit_status,
              0);
    const std::string piped = "cd '" + dir.path().string() +
                              "' && mkfifo pipe.toml && (cat problem.toml > pipe.toml &) && '" +
                              SHEETPREP_EXE "' -o pipe.txt pipe.toml > /dev/null";
    ASSERT_EQ(std::system(piped.c_str()), 0);
    const std::string file = read_file(dir.path() / "file.txt");
    const std::string pipe = read_file(dir.path() / "pipe.txt");
    EXPECT_EQ(pipe.substr(pipe.find(": settings")), file.substr(file.find(": settings")));
}

}  // namespace
