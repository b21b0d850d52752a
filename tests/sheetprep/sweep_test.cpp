// Design studies: a sweep prepared, run by GNU parallel and gathered, its table checked against
// each case's report; the Slurm script's choice of case by task id; every refusal of a sweep.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <sstream>

#include "sheetprep/gather.hpp"
#include "sheetprep_run.hpp"

namespace {

namespace fs = std::filesystem;
using sheetprep_testing::run_sheetprep;
using testing_support::read_file;
using testing_support::write_file;

int shell(const std::string& command, const fs::path& dir) {
    const int status = std::system(("cd '" + dir.string() + "' && " + command).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The unit square of square.msh held at its edge under a dead pressure, as melvar's, in dir.
const std::string square =
    "program = \"melvar\"\nmesh = \"square.msh\"\n[sheet]\nthickness = 0.5\n"
    "law = \"neo-hookean\"\nshear = 1.0\n[[support]]\ngroup = \"edge\"\nx = 0\n"
    "y = 0\nz = 0\n[[load]]\ngroup = \"face\"\npressure = 0.3\n";

void write_square(const fs::path& dir, const std::string& sweep) {
    fs::create_directories(dir);
    fs::copy_file(sheetprep_testing::data_file("square.msh"), dir / "square.msh");
    write_file(dir / "problem.toml", square + sweep);
}

// The report's figures: iterations, energy, the largest displacement's length at each node,
// and the largest sigma1 of the Max/Min line.
struct report {
    long iterations = -1;
    double energy = 0.0;
    std::vector<double> lengths;
    double max_sigma1 = 0.0;
};

report read_report(const fs::path& file) {
    std::istringstream lines(read_file(file));
    report out;
    std::string line;
    bool nodes = false;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word;
        double u[3];
        long node = 0;
        if (line.starts_with("| Minor Iterations"))
            out.iterations = std::stol(line.substr(line.rfind('|', line.size() - 3) + 1));
        else if (line.starts_with("| Total Potential Energy"))
            out.energy = std::stod(line.substr(line.rfind('|', line.size() - 3) + 1));
        else if (line.starts_with(" Node ") || line.starts_with(" Elem "))
            nodes = line.starts_with(" Node             Displ X");
        else if (line.starts_with("Max/Min"))
            words >> word >> out.max_sigma1;
        else if (nodes && words >> node >> u[0] >> u[1] >> u[2])
            out.lengths.push_back(std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]));
    }
    return out;
}

TEST(sweep, four_balloons_through_gnu_parallel_gathered_as_their_reports_say) {
    testing_support::scratch_dir dir;
    const fs::path design = dir.path() / "design";
    fs::create_directories(design);
    for (const char* file : {"octant.geo", "problem.toml"})
        fs::copy_file(fs::path(EXAMPLES_DIR) / "balloon" / file, design / file);
    write_file(design / "problem.toml",
               read_file(design / "problem.toml") +
                   "\n[sweep]  # the study\n\"sheet.thickness\" = [0.01, 0.012]\n"
                   "\"load.skin.pressure\" = [0.008,\n  0.011]  # the design pressure\n");
    const auto prepared = run_sheetprep({"--sweep", "study", "design/problem.toml"}, dir.path());
    ASSERT_EQ(prepared.exit_status, 0) << prepared.err;
    EXPECT_EQ(prepared.err, "");
    const fs::path study = dir.path() / "study";
    EXPECT_EQ(read_file(study / "manifest.csv"),
              "case,directory,program,sheet.thickness,load.skin.pressure\n"
              "1,case-0001,melvar,0.01,0.008\n2,case-0002,melvar,0.01,0.011\n"
              "3,case-0003,melvar,0.012,0.008\n4,case-0004,melvar,0.012,0.011\n");
    // Each case's problem file is the original less its [sweep], its values in place and the
    // mesh named from its directory; its input.txt is what sheetprep -o makes of it.
    std::string expected = read_file(fs::path(EXAMPLES_DIR) / "balloon" / "problem.toml");
    expected.replace(expected.find("\"octant.geo\""), 12, "\"../../design/octant.geo\"");
    expected.replace(expected.find("0.01\n"), 5, "0.012\n");
    expected.replace(expected.find("0.011\n"), 6, "0.008\n");
    EXPECT_EQ(read_file(study / "case-0003" / "problem.toml"), expected + "\n");
    for (int k = 1; k <= 4; ++k) {
        const std::string folder = "study/case-000" + std::to_string(k);
        ASSERT_EQ(
            run_sheetprep({"-o", "check.txt", folder + "/problem.toml"}, dir.path()).exit_status,
            0);
        EXPECT_EQ(read_file(dir.path() / "check.txt"),
                  read_file(dir.path() / folder / "input.txt"));
    }

    ASSERT_EQ(shell("bash study/run-parallel.sh --jobs 2 --steps 2 > /dev/null", dir.path()), 0);
    const auto gathered = run_sheetprep({"--gather", "study"}, dir.path());
    ASSERT_EQ(gathered.exit_status, 0) << gathered.err;
    EXPECT_EQ(gathered.out,
              "sheetprep: wrote study/results.csv: 4 cases, 4 Optimal, 0 NOT Optimal, 0 failed, 0 "
              "running, 0 not run\n");
    const auto table = sheetprep::read_csv(read_file(study / "results.csv"));
    ASSERT_EQ(table.size(), 5u);
    EXPECT_EQ(table[0], (std::vector<std::string>{
                            "case", "directory", "sheet.thickness", "load.skin.pressure", "status",
                            "message", "iterations", "energy", "max_displacement",
                            "max_displacement_node", "max_sigma1", "max_stretch", "inverted", "law",
                            "shear", "initial_thickness", "tolerance", "load_factor", "volume"}));
    for (std::size_t k = 1; k <= 4; ++k) {
        const std::vector<std::string>& row = table[k];
        const report r = read_report(study / row[1] / "output.txt");
        EXPECT_EQ(row[4], "Optimal");
        EXPECT_EQ(std::stol(row[6]), r.iterations);
        EXPECT_NEAR(std::stod(row[7]), r.energy, 1e-8 * std::fabs(r.energy));
        const double longest = *std::max_element(r.lengths.begin(), r.lengths.end());
        EXPECT_NEAR(std::stod(row[8]), longest, 1e-8 * longest);
        EXPECT_NEAR(r.lengths.at(std::stoul(row[9]) - 1), longest, 1e-8 * longest);
        EXPECT_NEAR(std::stod(row[10]), r.max_sigma1, 1e-6 * r.max_sigma1);
        EXPECT_GT(std::stod(row[11]), 1.0);  // an inflated balloon stretches
        EXPECT_EQ(row[12], "0");
        EXPECT_EQ(row[15], row[2]);  // the .vtu's initial thickness is the swept one
        EXPECT_EQ(row[17], "1");     // the last load step's factor
        EXPECT_GT(std::stod(row[18]), 0.5235987755982988);  // more than the octant's volume
    }
    // A higher pressure inflates further; a thicker skin less.
    EXPECT_GT(std::stod(table[2][8]), std::stod(table[1][8]));
    EXPECT_LT(std::stod(table[3][8]), std::stod(table[1][8]));

    // --resume runs only what the job log does not list: here case 4, as if it was stopped.
    std::istringstream log(read_file(study / "joblog.txt"));
    std::string line, kept;
    while (std::getline(log, line))
        if (!line.starts_with("4\t")) kept += line + "\n";
    write_file(study / "joblog.txt", kept);
    fs::remove(study / "case-0004" / "status.txt");
    const auto before = fs::last_write_time(study / "case-0001" / "output.txt");
    ASSERT_EQ(shell("bash study/run-parallel.sh --resume --steps 2 > /dev/null", dir.path()), 0);
    EXPECT_EQ(read_file(study / "case-0004" / "status.txt"), "0\n");
    EXPECT_EQ(fs::last_write_time(study / "case-0001" / "output.txt"), before);
}

TEST(sweep, slurm_array_task_runs_the_case_of_its_number) {
    testing_support::scratch_dir dir;
    write_square(dir.path(),
                 "[sweep]\n\"sheet.thickness\" = [0.5, 1]\n\"load.1.pressure\" = "
                 "[0.1, 0.3]\n");
    ASSERT_EQ(run_sheetprep({"--sweep", "study", "problem.toml"}, dir.path()).exit_status, 0);
    const fs::path study = dir.path() / "study";
    const std::string script = read_file(study / "run-slurm.sh");
    for (const char* line : {"\n#SBATCH --array=1-4\n", "\n#SBATCH --cpus-per-task=1\n"})
        EXPECT_NE(script.find(line), std::string::npos) << line;
    EXPECT_EQ(shell("SLURM_ARRAY_TASK_ID=3 bash run-slurm.sh > /dev/null", study), 0);
    // From elsewhere, the script finds its sweep; CASE_OFFSET shifts the task's number.
    EXPECT_EQ(shell("SLURM_ARRAY_TASK_ID=1 CASE_OFFSET=1 bash study/run-slurm.sh > /dev/null",
                    dir.path()),
              0);
    for (const char* unrun : {"case-0001", "case-0004"})
        EXPECT_FALSE(fs::exists(study / unrun / "status.txt")) << unrun;
    for (const char* run : {"case-0002", "case-0003"}) {
        EXPECT_EQ(read_file(study / run / "status.txt"), "0\n");
        EXPECT_TRUE(fs::exists(study / run / "result.vtu"));
    }
    EXPECT_NE(read_file(study / "case-0003" / "input.txt").find("\n1 1 1\n"),
              std::string::npos);  // thickness 1, neo-Hookean 1, shear 1
    EXPECT_EQ(shell("SLURM_ARRAY_TASK_ID=5 bash run-slurm.sh 2> err.txt", study), 1);
    EXPECT_NE(read_file(study / "err.txt").find("has no case 5"), std::string::npos);
    EXPECT_EQ(shell("bash run-slurm.sh 2> /dev/null", study), 2);
}

TEST(sweep, zipped_lists_go_together_into_an_empty_directory) {
    testing_support::scratch_dir dir;
    write_square(dir.path() / "design",
                 "[sweep]\nmode = \"zip\"\n\"load.face.pressure\" = [0.1, "
                 "0.2, 0.3]\n\"sheet.shear\" = [1, 2.5, 3]\n");
    fs::create_directories(dir.path() / "runs" / "zipped");
    const auto run = run_sheetprep({"--sweep", "runs/zipped", "design/problem.toml"}, dir.path());
    ASSERT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(read_file(dir.path() / "runs" / "zipped" / "manifest.csv"),
              "case,directory,program,load.face.pressure,sheet.shear\n"
              "1,case-0001,melvar,0.1,1\n2,case-0002,melvar,0.2,2.5\n3,case-0003,melvar,0.3,3\n");
    EXPECT_EQ(run.out.substr(0, run.out.find('\n', run.out.find('\n') + 1)),
              "sheetprep: prepared 3 cases in runs/zipped for melvar\n"
              "  swept                 load.face.pressure (3) with sheet.shear (3)");
    // The mesh resolves from the case's directory, whatever the working directory.
    ASSERT_EQ(run_sheetprep({"-o", (dir.path() / "again.txt").string(), "problem.toml"},
                            dir.path() / "runs" / "zipped" / "case-0002")
                  .exit_status,
              0);
}

struct refusal {
    const char* name;
    std::string sweep;    // appended to the square's problem file
    std::string message;  // a part of the one line on standard error
};

void PrintTo(const refusal& c, std::ostream* out) {
    *out << c.name;
}

class refused_sweep : public ::testing::TestWithParam<refusal> {};

TEST_P(refused_sweep, one_line_and_nothing_written) {
    testing_support::scratch_dir dir;
    write_square(dir.path(), GetParam().sweep);
    std::set<std::string> written = {"problem.toml", "square.msh"};
    if (GetParam().name == std::string("directory_holds_files")) {
        fs::create_directory(dir.path() / "study");
        write_file(dir.path() / "study" / "mine.txt", "mine");
        written.insert("study");
    } else if (GetParam().name == std::string("directory_is_a_file")) {
        write_file(dir.path() / "study", "a file");
        written.insert("study");
    }
    const auto run = run_sheetprep({"--sweep", "study", "problem.toml"}, dir.path());
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.find("sheetprep: "), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, written);
    if (fs::is_directory(dir.path() / "study"))
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "study"), {}), 1);
}

const std::string thickness = "[sweep]\n\"sheet.thickness\" = [0.5, 1]\n";

std::string list_of(int n) {
    std::string out = "[";
    for (int k = 1; k <= n; ++k) out += (k > 1 ? ", " : "") + std::to_string(k);
    return out + "]";
}

INSTANTIATE_TEST_SUITE_P(
    kinds, refused_sweep,
    ::testing::Values(
        refusal{"no_sweep", "", "problem.toml: has no [sweep] table"},
        refusal{"unknown_key", "[sweep]\n\"sheet.thicknes\" = [1]\n",
                "problem.toml:16:1: unknown key 'sheet.thicknes' in [sweep]: [sheet] gives no "
                "'thicknes'"},
        refusal{"no_such_load", "[sweep]\n\"load.2.pressure\" = [1]\n",
                "unknown key 'load.2.pressure' in [sweep]: there is 1 of [[load]]"},
        refusal{"no_such_group", "[sweep]\n\"load.rim.pressure\" = [1]\n",
                "no entry of [[load]] has the group 'rim'"},
        refusal{"a_whole_table", "[sweep]\n\"sheet\" = [1]\n", "[sheet] is a table"},
        refusal{"key_not_quoted", "[sweep]\nsheet.thickness = [1]\n",
                "[sweep] 'sheet' is a table: write a swept key in quotes"},
        refusal{"wrong_type", "[sweep]\n\"sheet.thickness\" = [0.5, \"thin\"]\n",
                "problem.toml:16:27: [sweep] 'sheet.thickness': value 2 is a string, where the "
                "problem file gives a number"},
        refusal{"empty_list", "[sweep]\n\"sheet.thickness\" = []\n", "is an empty list"},
        refusal{"not_a_list", "[sweep]\n\"sheet.thickness\" = 0.5\n", "must be a list"},
        refusal{"zipped_unequal",
                "[sweep]\nmode = \"zip\"\n\"sheet.thickness\" = [1, 2]\n\"sheet.shear\" = [1]\n",
                "zips lists of unequal length: 'sheet.thickness' has 2 values, 'sheet.shear' 1"},
        refusal{"too_many_cases",
                "[sweep]\n\"sheet.thickness\" = " + list_of(50) + "\n\"sheet.shear\" = " +
                    list_of(50) + "\n\"load.1.pressure\" = " + list_of(41) + "\n",
                "makes more than 100000 cases"},
        refusal{"unknown_mode", "[sweep]\nmode = \"grid\"\n\"sheet.thickness\" = [1]\n",
                "'mode' must be \"product\" or \"zip\""},
        refusal{"nothing_swept", "[sweep]\nmode = \"zip\"\n", "names no value to sweep"},
        refusal{"one_value_twice",
                "[sweep]\n\"load.1.pressure\" = [1]\n\"load.face.pressure\" "
                "= [2]\n",
                "names the value 'load.1.pressure' names"},
        refusal{"bad_case", "[sweep]\n\"sheet.thickness\" = [0.5, -1]\n",
                "case-0002 (sheet.thickness = -1): study/case-0002/problem.toml:4:13: "
                "'thickness' must be above 0"},
        refusal{"bad_problem_beside", "[sheet2]\n" + thickness,
                "problem.toml:15:2: unknown key 'sheet2' in the problem file"},
        refusal{"directory_holds_files", thickness, "study exists and holds files"},
        refusal{"directory_is_a_file", thickness, "study exists and is not a directory"}));

struct usage_case {
    std::vector<std::string> arguments;
    std::string problem;
};

void PrintTo(const usage_case& c, std::ostream* out) {
    for (const std::string& argument : c.arguments) *out << argument << ' ';
}

class sweep_usage : public ::testing::TestWithParam<usage_case> {};

TEST_P(sweep_usage, names_the_mistake) {
    testing_support::scratch_dir dir;
    write_square(dir.path(), thickness);
    const auto run = run_sheetprep(GetParam().arguments, dir.path());
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_EQ(run.err, "sheetprep: " + GetParam().problem + "\nTry 'sheetprep --help'.\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);
}

INSTANTIATE_TEST_SUITE_P(
    arguments, sweep_usage,
    ::testing::Values(
        usage_case{{"problem.toml", "--sweep"},
                   "option --sweep needs a value: the sweep's directory"},
        usage_case{{"--gather"}, "option --gather needs a value: the sweep's directory"},
        usage_case{{"--sweep", "study"}, "missing the problem file PROBLEM.toml"},
        usage_case{{"--sweep", "a", "--gather", "b", "problem.toml"},
                   "--sweep and --gather go one at a time"},
        usage_case{{"--sweep", "a", "-o", "x.txt", "problem.toml"},
                   "option -o does not go with --sweep: each case's input.txt is written in its "
                   "directory"},
        usage_case{{"--gather", "a", "problem.toml"},
                   "--gather takes no problem file; 'problem.toml' is one"}));

}  // namespace
