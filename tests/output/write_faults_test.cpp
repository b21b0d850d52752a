// Whole runs whose output files cannot be written: a directory in the way, a read-only working
// directory, an older file we may not write, a file-size limit, and a failed line search. Each
// file is written whole or not at all, and files of earlier stages or runs stay as they were;
// what can be seen before the run starts stops it before it reads input.txt.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

// Runs command (a shell command line) with the working directory dir; what it prints is
// captured outside dir, so that dir holds only what the program leaves there.
run_result run_command(const std::string& command, const fs::path& dir) {
    static int serial = 0;
    const fs::path capture =
        fs::temp_directory_path() /
        ("sheet-capture-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
    fs::create_directory(capture);
    run_result result;
    result.dir = dir;
    const std::string line = "cd '" + dir.string() + "' && " + command + " > '" +
                             (capture / "out").string() + "' 2> '" + (capture / "err").string() +
                             "' < /dev/null";
    const int status = std::system(line.c_str());
    if (WIFEXITED(status))
        result.exit_status = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.exit_status = 128 + WTERMSIG(status);
    result.out = read_file(capture / "out");
    result.err = read_file(capture / "err");
    fs::remove_all(capture);
    return result;
}

std::set<std::string> names_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
    return names;
}

struct program_case {
    const char* name;
    std::string (*exe)();
    const char* example;
};
const program_case programs[] = {{"dorvan", dorvan_exe, "one-triangle-dorvan"},
                                 {"melvar", melvar_exe, "one-triangle-melvar"}};

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

// A directory in the way of one output file: the run stops before it starts, with the files of
// the earlier stages absent too; the directory and its content stay.
void directory_in_the_way(const program_case& program, const std::string& blocked) {
    SCOPED_TRACE(std::string(program.name) + ", directory " + blocked);
    scratch_dir dir;
    write_file(dir.path() / "input.txt", example_file(program.example, "input.txt"));
    fs::create_directory(dir.path() / blocked);
    write_file(dir.path() / blocked / "keep", "kept\n");
    const run_result run = run_command(quoted(program.exe()), dir.path());
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.err, std::string(program.name) + ": cannot create " + blocked +
                           ": it is a directory, not a regular file\n");
    EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"input.txt", blocked}))
        << "no temporary file may be left";
    ASSERT_TRUE(fs::is_directory(dir.path() / blocked));
    EXPECT_EQ(names_in(dir.path() / blocked), std::set<std::string>{"keep"});
    EXPECT_EQ(read_file(dir.path() / blocked / "keep"), "kept\n");
    EXPECT_EQ(run.out, "") << "nothing is solved";
}

TEST(write_faults, directory_named_like_an_output_file) {
    for (const program_case& program : programs) {
        for (const char* blocked : {"ansys.txt", "autocad.scr", "output.txt"})
            directory_in_the_way(program, blocked);
    }
}

// The command prefix that runs a program without the privileges that bypass file permissions:
// none for an ordinary user; as root, setpriv to the user nobody when it can run the program.
// Returns false when permissions cannot be enforced here.
bool unprivileged_prefix(const std::string& program, std::string& prefix) {
    if (::geteuid() != 0) {
        prefix.clear();
        return true;
    }
    prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    const std::string probe = prefix + "test -x " + quoted(program) + " > /dev/null 2>&1";
    const int status = std::system(probe.c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

const char* const older_texts[][2] = {{"ansys.txt", "older deck\r\n"},
                                      {"autocad.scr", "older script\r\n"},
                                      {"output.txt", "older report\r\n"}};

TEST(write_faults, read_only_directory_keeps_the_older_files) {
    for (const program_case& program : programs) {
        SCOPED_TRACE(program.name);
        std::string prefix;
        if (!unprivileged_prefix(program.exe(), prefix))
            GTEST_SKIP() << "running as root without a way to drop privileges: directory "
                            "permissions are not enforced";
        scratch_dir dir;
        write_file(dir.path() / "input.txt", example_file(program.example, "input.txt"));
        for (const auto& older : older_texts) write_file(dir.path() / older[0], older[1]);
        fs::permissions(dir.path(), fs::perms(0555));
        const run_result run = run_command(prefix + quoted(program.exe()), dir.path());
        fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::add);
        EXPECT_EQ(run.exit_status, 1);
        EXPECT_EQ(run.err.rfind(std::string(program.name) + ": cannot create ansys.txt: ", 0), 0u)
            << run.err;
        EXPECT_EQ(names_in(dir.path()),
                  (std::set<std::string>{"input.txt", "ansys.txt", "autocad.scr", "output.txt"}));
        for (const auto& older : older_texts)
            EXPECT_EQ(read_file(dir.path() / older[0]), older[1]) << older[0];
    }
}

TEST(write_faults, older_file_without_write_permission_is_left_alone) {
    for (const program_case& program : programs) {
        SCOPED_TRACE(program.name);
        std::string prefix;
        if (!unprivileged_prefix(program.exe(), prefix))
            GTEST_SKIP() << "running as root without a way to drop privileges: write "
                            "permission is not enforced";
        scratch_dir dir;
        write_file(dir.path() / "input.txt", example_file(program.example, "input.txt"));
        write_file(dir.path() / "output.txt", "older report\r\n");
        fs::permissions(dir.path() / "output.txt", fs::perms(0444));
        // The directory itself is writable, so only the file's own permission forbids it.
        fs::permissions(dir.path(), fs::perms(0777));
        const run_result run = run_command(prefix + quoted(program.exe()), dir.path());
        EXPECT_EQ(run.exit_status, 1);
        EXPECT_EQ(run.err, std::string(program.name) +
                               ": cannot create output.txt: the file may not be written (" +
                               std::strerror(EACCES) + ")\n");
        // Found before the run starts: no file of an earlier stage is written either.
        EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"input.txt", "output.txt"}));
        EXPECT_EQ(read_file(dir.path() / "output.txt"), "older report\r\n");
        EXPECT_EQ(fs::status(dir.path() / "output.txt").permissions() & fs::perms::all,
                  fs::perms(0444));
    }
}

// A square grid of n x n nodes, two triangles per cell, flat in Z, clamped along X = 0 and
// pulled along X = n - 1; a few iterations are enough to write every file.
std::string grid_input(int n) {
    std::string text = "Grid\n: settings\n0.9 10 0.001 1.0 3 5\n: sheet\n0.5 1 1.0 4.0\n";
    const auto node = [n](int i, int j) { return j * n + i + 1; };
    text += ": nodes\n" + std::to_string(n * n) + "\n  node x y z\n";
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            text += std::to_string(node(i, j)) + " " + std::to_string(i) + ".0 " +
                    std::to_string(j) + ".0 0.0\n";
    text += ": elements\n" + std::to_string(2 * (n - 1) * (n - 1)) + "\n  element N1 N2 N3\n";
    int e = 0;
    for (int j = 0; j + 1 < n; ++j)
        for (int i = 0; i + 1 < n; ++i) {
            text += std::to_string(++e) + " " + std::to_string(node(i, j)) + " " +
                    std::to_string(node(i + 1, j)) + " " + std::to_string(node(i + 1, j + 1)) +
                    "\n";
            text += std::to_string(++e) + " " + std::to_string(node(i, j)) + " " +
                    std::to_string(node(i + 1, j + 1)) + " " + std::to_string(node(i, j + 1)) +
                    "\n";
        }
    std::string supports;
    int count = 0;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            for (int d = 1; d <= 3; ++d) {
                if (i > 0 && d < 3) continue;
                supports += std::to_string(node(i, j)) + " " + std::to_string(d) + " 0.0\n";
                ++count;
            }
        }
    text += ": prescribed\n" + std::to_string(count) + "\n  node dir value\n" + supports;
    text += ": loads\n" + std::to_string(n) + "\n  node dir force\n";
    for (int j = 0; j < n; ++j) text += std::to_string(node(n - 1, j)) + " 1 0.01\n";
    return text;
}

TEST(write_faults, file_size_limit_reached_in_the_report) {
    const std::string input = grid_input(30);
    // The sizes of a run without a limit fix one between the largest earlier file and the
    // report.
    scratch_dir free_run;
    const run_result whole = run_with_input(dorvan_exe(), free_run.path(), input);
    ASSERT_EQ(whole.exit_status, 0) << whole.err;
    const auto size = [&free_run](const char* name) {
        return fs::file_size(free_run.path() / name);
    };
    const std::uintmax_t earlier = std::max(size("ansys.txt"), size("autocad.scr"));
    const std::uintmax_t report = size("output.txt");
    const std::uintmax_t blocks = (earlier + report) / 2 / 512;
    ASSERT_GT(blocks * 512, earlier);
    ASSERT_LT(blocks * 512, report);

    scratch_dir dir;
    write_file(dir.path() / "input.txt", input);
    write_file(dir.path() / "output.txt", "older report\r\n");
    const run_result run = run_command(
        "/bin/sh -c " + quoted("ulimit -f " + std::to_string(blocks) + "; exec " + dorvan_exe()),
        dir.path());
    EXPECT_TRUE(run.exit_status == 1 || run.exit_status == 128 + SIGXFSZ) << run.exit_status;
    EXPECT_EQ(run.exit_status, 1) << "the limit fails the write rather than killing the run";
    EXPECT_NE(run.err.find("output.txt"), std::string::npos) << run.err;
    EXPECT_EQ(read_file(dir.path() / "output.txt"), "older report\r\n");
    EXPECT_EQ(names_in(dir.path()),
              (std::set<std::string>{"input.txt", "ansys.txt", "autocad.scr", "output.txt"}))
        << "no temporary file may be left";
    EXPECT_EQ(read_file(dir.path() / "ansys.txt"), read_file(free_run.path() / "ansys.txt"));
    EXPECT_EQ(read_file(dir.path() / "autocad.scr"), read_file(free_run.path() / "autocad.scr"));
}

TEST(write_faults, line_search_failure_leaves_only_the_deck) {
    scratch_dir dir;
    write_file(dir.path() / "input.txt",
               example_file("already-in-equilibrium-dorvan", "input.txt"));
    write_file(dir.path() / "autocad.scr", "older script\r\n");
    const run_result run = run_command(quoted(dorvan_exe()), dir.path());
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "Line Search Failure\n");
    EXPECT_NE(run.err.find("NLP.HALT"), std::string::npos) << run.err;
    EXPECT_EQ(names_in(dir.path()),
              (std::set<std::string>{"input.txt", "ansys.txt", "autocad.scr"}));
    EXPECT_EQ(read_file(dir.path() / "autocad.scr"), "older script\r\n");
    EXPECT_EQ(read_file(dir.path() / "ansys.txt"),
              example_file("already-in-equilibrium-dorvan", "expected/ansys.txt"));
}

}  // namespace
