// Whole runs whose output names are not plain files: a symbolic link is written through, a pipe,
// a device or a directory is refused before the run reads input.txt (status 2 for a FILE of the
// command line, 1 for the fixed files), the old file's mode stays, and the temporaries of killed
// runs are cleared. Each case prepares its directory and checks it afterwards by shell commands.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

struct output_case {
    const char* name;
    const char* setup;      // run first in the directory that holds input.txt
    const char* arguments;  // dorvan's, under umask 077
    int status;
    const char* report;  // standard error, without "dorvan: " and the line end; "" for none
    const char* check;   // must succeed in the directory afterwards
};

class output_names : public ::testing::TestWithParam<output_case> {};

bool shell(const std::string& dir, const std::string& command) {
    const int status = std::system(("cd '" + dir + "' && (" + command + ")").c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs dorvan (after prefix) in dir under umask 077, its output captured beside dir.
run_result run_dorvan(const fs::path& dir, const std::string& arguments,
                      const std::string& prefix = "") {
    const std::string capture = dir.string() + ".capture";
    const int status = std::system(("cd '" + dir.string() + "' && umask 077 && " + prefix + "'" +
                                    dorvan_exe() + "' " + arguments + " > '" + capture +
                                    "-out' 2> '" + capture + "-err' < /dev/null")
                                       .c_str());
    run_result run{.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                   .out = read_file(capture + "-out"),
                   .err = read_file(capture + "-err"),
                   .dir = dir};
    fs::remove(capture + "-out");
    fs::remove(capture + "-err");
    return run;
}

TEST_P(output_names, are_written_through_or_refused_before_the_run) {
    const output_case& c = GetParam();
    scratch_dir dir;
    write_file(dir.path() / "input.txt", example_file("one-triangle-dorvan", "input.txt"));
    ASSERT_TRUE(shell(dir.path(), c.setup));
    const run_result run = run_dorvan(dir.path(), c.arguments);
    EXPECT_EQ(run.exit_status, c.status);
    const std::string usage = c.status == 2 ? "\nTry 'dorvan --help'." : "";
    EXPECT_EQ(run.err, *c.report ? "dorvan: " + std::string(c.report) + usage + "\n" : "");
    EXPECT_TRUE(shell(dir.path(), c.check)) << c.check;
    EXPECT_FALSE(shell(dir.path(), "find . | grep -q '[.]tmp-[0-9]*-[0-9]*$'"))
        << "a temporary of this run is left";
}

// No minimisation ran, so not even the deck is written.
#define NOTHING_WRITTEN "! test -e ansys.txt && ! test -e output.txt"

INSTANTIATE_TEST_SUITE_P(
    cases, output_names,
    ::testing::Values(
        output_case{"full_device", "true", "--vtu /dev/full", 2,
                    "--vtu: '/dev/full' is a character device, not a regular file",
                    "test -c /dev/full && " NOTHING_WRITTEN},
        output_case{"link_to_the_null_device", "ln -s /dev/null r.vtu", "--vtu r.vtu", 2,
                    "--vtu: 'r.vtu' leads to '/dev/null', a character device, not a regular file",
                    "test -L r.vtu && test -c /dev/null && " NOTHING_WRITTEN},
        output_case{"history_pipe", "mkfifo h.csv", "--history h.csv", 2,
                    "--history: 'h.csv' is a named pipe (FIFO), not a regular file",
                    "test -p h.csv && " NOTHING_WRITTEN},
        output_case{"step_file_directory", "mkdir r-0002.vtu", "--steps 3 --vtu r.vtu", 2,
                    "--vtu: 'r-0002.vtu', the file of load step 2, is a directory, not a regular "
                    "file",
                    NOTHING_WRITTEN},
        output_case{"report_pipe", "mkfifo output.txt", "", 1,
                    "cannot create output.txt: it is a named pipe (FIFO), not a regular file",
                    "test -p output.txt && ! test -e ansys.txt"},
        output_case{"deck_to_the_null_device", "ln -s /dev/null ansys.txt", "", 1,
                    "cannot create ansys.txt: it leads to '/dev/null', a character device, not "
                    "a regular file",
                    "test -L ansys.txt && ! test -e output.txt"},
        output_case{"loop_of_links", "ln -s a output.txt && ln -s output.txt a", "", 1,
                    "cannot create output.txt: Too many levels of symbolic links",
                    "! test -e ansys.txt"},
        output_case{"directory_without_new_files", "true", "--history /proc/self/mem", 1,
                    "cannot create /proc/self/mem: no new file can be made in the directory "
                    "'/proc/self' (No such file or directory); each output is written beside its "
                    "name first, then renamed over it",
                    NOTHING_WRITTEN},
        // The link stays and its target (relative to the link) is replaced, keeping its mode;
        // a new file gets what the umask leaves; a chain of links to no file yet ends in one.
        output_case{"links_written_through",
                    "mkdir sub res && echo old > sub/report && chmod 640 sub/report && "
                    "ln -s sub/report output.txt && ln -s res/r.vtu b.vtu && ln -s b.vtu a.vtu",
                    "--vtu a.vtu", 0, "",
                    "test \"$(readlink output.txt)\" = sub/report && grep -q Minor sub/report && "
                    "test $(stat -c %a sub/report) = 640 && test $(stat -c %a ansys.txt) = 600 && "
                    "test -L a.vtu && test -L b.vtu && test -f res/r.vtu"},
        // Temporaries of a process that has ended are removed, for the run's own names only and
        // named exactly so; those of a live process (1) and every other file stay.
        output_case{"stale_temporaries",
                    "true & p=$!; wait $p; echo $p > dead && "
                    "touch output.txt.tmp-$p-0 r.vtu.tmp-$p-12 output.txt.tmp-1-0 "
                    "notes.txt.tmp-$p-0 output.txt.tmp-0$p-0 output.txt.tmp-$p-100 && "
                    "mkdir ansys.txt.tmp-$p-0 && ln -s /dev/null autocad.scr.tmp-$p-0",
                    "--vtu r.vtu", 0, "",
                    "p=$(cat dead) && ! test -e output.txt.tmp-$p-0 && ! test -e r.vtu.tmp-$p-12 "
                    "&& test -e output.txt.tmp-1-0 && test -e notes.txt.tmp-$p-0 && "
                    "test -e output.txt.tmp-0$p-0 && test -e output.txt.tmp-$p-100 && "
                    "test -d ansys.txt.tmp-$p-0 && test -L autocad.scr.tmp-$p-0 && "
                    "rm -r *.tmp-*"}),
    [](const auto& info) { return std::string(info.param.name); });

// A DIR the user may not write is found before input.txt is read (as root, the run drops to the
// user nobody, when setpriv can run the program).
TEST(output_names, unwritable_directory_is_refused_before_the_run) {
    const std::string prefix =
        ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    if (!prefix.empty() && std::system((prefix + "test -x " + dorvan_exe()).c_str()) != 0)
        GTEST_SKIP() << "as root without a way to drop privileges";
    scratch_dir dir;
    write_file(dir.path() / "input.txt", example_file("one-triangle-dorvan", "input.txt"));
    const std::string where = fs::canonical(dir.path()).string();
    fs::permissions(dir.path(), fs::perms(0555));
    const run_result run = run_dorvan(dir.path(), "", prefix);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.err,
              "dorvan: cannot create ansys.txt: no new file can be made in the directory '" +
                  where + "' (Permission denied)\n");
    EXPECT_FALSE(fs::exists(dir.path() / "ansys.txt"));
}

}  // namespace
