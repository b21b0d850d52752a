// Gathering a sweep from what its runs left: every way a case can stand (not run, running,
// failed, ended by a signal, with a report only, with a .vtu carrying further field data, with
// a damaged .vtu, gone), a malformed manifest, and the reading of CSV text.
#include <gtest/gtest.h>

#include <cstring>

#include "sheetprep/gather.hpp"
#include "sheetprep_run.hpp"

namespace {

namespace fs = std::filesystem;
using sheetprep_testing::run_sheetprep;
using testing_support::read_file;
using testing_support::write_file;

struct data_array {
    const char* part;  // FieldData, PointData or CellData
    const char* type;  // Float64 or Int32
    const char* name;
    int components;
    std::vector<double> values;
};

// A .vtu laid out as the solvers write it: raw appended data, each array a UInt64 byte count
// and its values; a title in the comment that looks like a tag.
std::string vtu_text(int points, int cells, const std::vector<data_array>& arrays) {
    std::string head =
        "<?xml version=\"1.0\"?>\n<!-- melvar: <DataArray Name=\"fake\"> -->\n"
        "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\""
        " header_type=\"UInt64\">\n<UnstructuredGrid>\n";
    std::string data;
    std::string part;
    for (const data_array& a : arrays) {
        if (part != a.part) {
            if (!part.empty()) head += "</" + part + ">\n";
            if (part == "FieldData" || part.empty())
                if (std::string(a.part) != "FieldData")
                    head += "<Piece NumberOfPoints=\"" + std::to_string(points) +
                            "\" NumberOfCells=\"" + std::to_string(cells) + "\">\n";
            part = a.part;
            head += "<" + part + ">\n";
        }
        head += std::string("<DataArray type=\"") + a.type + "\" Name=\"" + a.name +
                "\" NumberOfComponents=\"" + std::to_string(a.components) +
                "\" format=\"appended\" offset=\"" + std::to_string(data.size()) + "\"/>\n";
        const bool real = std::string(a.type) == "Float64";
        const std::uint64_t bytes = a.values.size() * (real ? 8 : 4);
        data.append(reinterpret_cast<const char*>(&bytes), 8);
        for (const double v : a.values) {
            const auto whole = static_cast<std::int32_t>(v);
            data.append(
                real ? reinterpret_cast<const char*>(&v) : reinterpret_cast<const char*>(&whole),
                real ? 8 : 4);
        }
    }
    head += "</" + part + ">\n</Piece>\n</UnstructuredGrid>\n<AppendedData encoding=\"raw\">\n _";
    return head + data + "\n</AppendedData>\n</VTKFile>\n";
}

// The files run-case.sh leaves, those given.
void write_case(const fs::path& folder, const std::string& status, const std::string& out,
                const std::string& err) {
    fs::create_directories(folder);
    if (!status.empty()) write_file(folder / "status.txt", status);
    write_file(folder / "stdout.txt", out);
    write_file(folder / "stderr.txt", err);
}

TEST(gather, every_way_a_case_stands_is_a_row) {
    testing_support::scratch_dir dir;
    const fs::path study = dir.path() / "study";
    std::string manifest = "case,directory,program,load.1.pressure,title\n";
    for (int k = 1; k <= 8; ++k)
        manifest += std::to_string(k) + ",case-000" + std::to_string(k) + ",melvar,0." +
                    std::to_string(k) + (k == 1 ? ",\"a \"\"big\"\", one\"\n" : ",plain\n");
    fs::create_directories(study);
    write_file(study / "manifest.csv", manifest);
    const std::string optimal = "\nMinor =     9     Optimal\n";
    const std::string report =
        testing_support::example_file("one-triangle-melvar", "expected/output.txt");
    fs::create_directories(study / "case-0001");
    write_case(study / "case-0002", "running\n", "", "");
    write_case(study / "case-0003", "1\n", "", "melvar: Line Search Failure\n");
    write_case(study / "case-0004", "143\n", "", "");
    write_case(study / "case-0005", "0\n", "\nMinor =     1     NOT Optimal\n", "");
    write_file(study / "case-0005" / "output.txt", report);
    write_case(study / "case-0006", "0\n", optimal,
               "melvar: warning: 1 of 2 triangles are inverted\n");
    const std::string vtu =
        vtu_text(2, 2,
                 {{"FieldData", "Int32", "iterations", 1, {9}},
                  {"FieldData", "Float64", "energy", 1, {-1.5}},
                  {"FieldData", "Int32", "optimal", 1, {1}},
                  {"FieldData", "Float64", "chamber_1_pressure", 1, {0.25}},
                  {"FieldData", "Int32", "chamber_1_cells", 1, {7}},
                  {"PointData", "Float64", "displacement", 3, {3, 4, 0, 0, 0, -6}},
                  {"CellData", "Float64", "sigma1", 1, {0.5, 2.5}},
                  {"CellData", "Float64", "stretch", 2, {1.1, 1.0, 1.3, 0.9}},
                  {"CellData", "Float64", "area_ratio", 1, {0.5, -0.1}}});
    write_file(study / "case-0006" / "result.vtu", vtu);
    write_case(study / "case-0008", "0\n", optimal, "");
    write_file(study / "case-0008" / "result.vtu", vtu.substr(0, vtu.size() - 60));
    write_file(study / "case-0008" / "output.txt", report);

    const auto run = run_sheetprep({"--gather", "study", "-o", "table.csv"}, dir.path());
    ASSERT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(
        run.out,
        "sheetprep: wrote table.csv: 8 cases, 2 Optimal, 1 NOT Optimal, 2 failed, 1 running, 2 "
        "not run\n");
    const std::string from_report = "0.369446337,0.1172524,3,0.4471332,,";
    const std::string expected =
        "case,directory,load.1.pressure,title,status,message,iterations,energy,max_displacement,"
        "max_displacement_node,max_sigma1,max_stretch,inverted,chamber_1_pressure,chamber_1_cells\n"
        "1,case-0001,0.1,\"a \"\"big\"\", one\",not run,,,,,,,,,,\n"
        "2,case-0002,0.2,plain,running,,,,,,,,,,\n"
        "3,case-0003,0.3,plain,failed,melvar: Line Search Failure,,,,,,,,,\n"
        "4,case-0004,0.4,plain,failed,ended by signal 15,,,,,,,,,\n"
        "5,case-0005,0.5,plain,NOT Optimal,,1," +
        from_report +
        ",,\n"
        "6,case-0006,0.6,plain,Optimal,,9,-1.5,6,2,2.5,1.3,1,0.25,7\n"
        "7,case-0007,0.7,plain,missing,no directory case-0007,,,,,,,,,\n"
        "8,case-0008,0.8,plain,Optimal,study/case-0008/result.vtu: array 'stretch' is cut "
        "short,1," +
        from_report + ",,\n";
    EXPECT_EQ(read_file(dir.path() / "table.csv"), expected);
}

struct bad_manifest {
    const char* name;
    std::string manifest;  // empty: none
    std::string message;
};

void PrintTo(const bad_manifest& c, std::ostream* out) {
    *out << c.name;
}

class refused_gather : public ::testing::TestWithParam<bad_manifest> {};

TEST_P(refused_gather, one_line_and_no_table) {
    testing_support::scratch_dir dir;
    fs::create_directories(dir.path() / "study" / "case-0001");
    if (!GetParam().manifest.empty())
        write_file(dir.path() / "study" / "manifest.csv", GetParam().manifest);
    const auto run = run_sheetprep({"--gather", "study"}, dir.path());
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.find("sheetprep: "), 0u);
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir.path() / "study" / "results.csv"));
}

INSTANTIATE_TEST_SUITE_P(
    kinds, refused_gather,
    ::testing::Values(
        bad_manifest{"no_manifest", "",
                     "cannot read study/manifest.csv: is it a sweep that sheetprep --sweep "
                     "prepared?"},
        bad_manifest{"other_header", "number,folder\n1,case-0001\n",
                     "study/manifest.csv:1: the header is not case,directory,program,..."},
        bad_manifest{"short_row", "case,directory,program,a\n1,case-0001,melvar\n",
                     "study/manifest.csv:2: has 3 fields where the header has 4"},
        bad_manifest{"outside_the_sweep", "case,directory,program\n1,../elsewhere,melvar\n",
                     "the directory '../elsewhere' is not a case's directory in the sweep"},
        bad_manifest{"open_quote", "case,directory,program\n1,\"case-0001,melvar\n",
                     "study/manifest.csv: a quoted field is not closed"}));

TEST(gather, csv_text_reads_as_written) {
    using rows = std::vector<std::vector<std::string>>;
    EXPECT_EQ(sheetprep::read_csv("a,b\r\n1,\"x, \"\"y\"\"\"\r\n\n,\n"),
              (rows{{"a", "b"}, {"1", "x, \"y\""}, {"", ""}}));
    EXPECT_EQ(sheetprep::read_csv("\"two\nlines\",3"), (rows{{"two\nlines", "3"}}));
    EXPECT_EQ(sheetprep::read_csv(""), rows{});
}

}  // namespace
