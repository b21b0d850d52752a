// The progress line: its text, how often it is drawn, and that once erased the terminal shows
// what a run without it shows, in unit cases and in whole runs on a pseudo-terminal.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "sheet/run/progress.hpp"
#include "support/program_run.hpp"

namespace {

using sheet::progress;
using std::chrono::milliseconds;
using rows = std::vector<std::string>;
using namespace testing_support;
namespace fs = std::filesystem;

// The lines a terminal shows after bytes, for the controls the progress line uses.
rows screen(const std::string& bytes) {
    rows shown(1);
    std::size_t row = 0, column = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            column = 0;
        } else if (bytes[i] == '\n') {
            column = 0;
            if (++row == shown.size()) shown.emplace_back();
        } else if (bytes[i] == '\033') {  // ESC [ count command
            const std::size_t end = bytes.find_first_of("ABCK", i);
            const int count = std::atoi(bytes.c_str() + i + 2);
            if (bytes[end] == 'K' && shown[row].size() > column) shown[row].resize(column);
            if (bytes[end] == 'A' && row > 0) --row;
            if (bytes[end] == 'C') column += count;
            i = end;
        } else {
            if (shown[row].size() <= column) shown[row].resize(column + 1, ' ');
            shown[row][column++] = bytes[i];
        }
    }
    return shown;
}

// Everything that can still be read from descriptor, which is then closed.
std::string drain(int descriptor) {
    std::string all;
    char chunk[4096];
    for (ssize_t got; (got = ::read(descriptor, chunk, sizeof chunk)) > 0;) all.append(chunk, got);
    ::close(descriptor);
    return all;
}

TEST(progress, status_text_gives_iteration_energy_residual_tolerance_and_time) {
    EXPECT_EQ(sheet::status_text(1, -12.1306113, 3.2e-3, 1e-4, 12.34),
              "iteration 1  energy -1.213061E+01  max residual 3.2E-03 / 1.0E-04  0:12.3");
    EXPECT_EQ(sheet::status_text(175, 0.5, 0.0, 1.2e-4, 3599.96),
              "iteration 175  energy 5.000000E-01  max residual 0.0E+00 / 1.2E-04  59:59.9");
    EXPECT_EQ(sheet::status_text(7, 1e300, 2e10, 1e-12, 7384.5),
              "iteration 7  energy 1.000000E+300  max residual 2.0E+10 / 1.0E-12  2:03:04");
}

enum class ending { returned, halted, failed };

struct screen_case {
    int draws;  // drawings before the end
    ending end;
    rows shown;  // the screen after the program's last words
};

const screen_case screen_cases[] = {
    {3, ending::returned, {"", "Minor =     9     Optimal", ""}},
    {0, ending::returned, {"", "Minor =     9     Optimal", ""}},
    {2, ending::halted, {"Line Search Failure", "dorvan: NLP.HALT: why", ""}},
    {0, ending::halted, {"Line Search Failure", "dorvan: NLP.HALT: why", ""}},
    {1, ending::failed, {"dorvan: out of memory", ""}},
};

TEST(progress, once_erased_the_terminal_shows_what_a_run_without_it_shows) {
    for (const screen_case& c : screen_cases) {
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);  // stands for the terminal
        const auto print = [&](const std::string& text) {
            EXPECT_EQ(::write(ends[1], text.data(), text.size()), std::ssize(text));
        };
        const progress::clock::time_point start{};
        progress line(1e-4, start, ends[1]);
        for (int k = 0; k < c.draws; ++k)
            line.draw(k, -1.5 * k, 0.25, start + k * milliseconds(150));
        if (c.end == ending::returned) {
            line.erase();
            print("\nMinor =     9     Optimal\n");
        } else if (c.end == ending::halted) {
            line.erase();  // the run frame prints the failure line once the line is gone
            print("Line Search Failure\n");
            print("dorvan: NLP.HALT: why\n");
        } else {
            line.erase();
            print("dorvan: out of memory\n");
        }
        ::close(ends[1]);
        EXPECT_EQ(screen(drain(ends[0])), c.shown) << c.draws << " drawings, ending " << int(c.end);
    }
}

TEST(progress, draws_at_most_once_an_interval_and_within_the_terminal_width) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const progress::clock::time_point start{};
    progress line(1e-4, start, ends[1]);
    EXPECT_FALSE(line.due(start + milliseconds(99)));
    EXPECT_TRUE(line.due(start + milliseconds(100)));
    line.draw(2147483647, -1e300, 1e300, start + milliseconds(250));
    EXPECT_FALSE(line.due(start + milliseconds(349)));
    EXPECT_TRUE(line.due(start + milliseconds(350)));
    ::close(ends[1]);
    EXPECT_EQ(screen(drain(ends[0])).at(0).size(),
              79u);  // a pipe has no width: 80 columns are assumed
}

struct terminal_run {
    std::string shown;  // all that reached the terminal
    int status = 0;     // as waitpid gives it
};

// Runs program in dir with standard output and error on a new pseudo-terminal, with
// "--threads 1" and arguments. With interrupt, once the status line shows, SIGINT is typed as
// Ctrl-C on the terminal, or SIGTERM sent to the program.
terminal_run on_terminal(const std::string& program, const std::string& dir,
                         std::vector<std::string> arguments, int interrupt = 0) {
    arguments.insert(arguments.begin(), {program, "--threads", "1"});
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        ::setenv("TERM", "xterm", 1);  // whatever terminal the tests themselves run on
        if (::chdir(dir.c_str()) == 0) ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    terminal_run run;
    char chunk[4096];
    while (interrupt != 0 && run.shown.find("\riteration ") == std::string::npos) {
        const ssize_t got = ::read(terminal, chunk, sizeof chunk);
        if (got <= 0) break;
        run.shown.append(chunk, got);
    }
    if (interrupt == SIGINT) {
        EXPECT_EQ(::write(terminal, "\003", 1), 1);
    } else if (interrupt == SIGTERM) {
        ::kill(child, SIGTERM);
    }
    run.shown += drain(terminal);  // ends when the program has closed the terminal
    ::waitpid(child, &run.status, 0);
    return run;
}

struct terminal_case {
    const char* program;  // "dorvan" or "melvar"
    int size;             // squares of a generated sheet, 0: the example already in equilibrium
    const char* option;   // besides --threads 1
    bool drawn;           // the status line appears
};

const terminal_case terminal_cases[] = {
    {"dorvan", 60, nullptr, true},
    {"dorvan", 60, "--quiet", false},
    {"melvar", 80, nullptr, true},
    {"dorvan", 0, nullptr, false},  // halts at once
};

TEST(progress, on_a_terminal_is_drawn_then_erased_and_changes_no_file) {
    for (const terminal_case& c : terminal_cases) {
        const std::string program = c.program[0] == 'd' ? dorvan_exe() : melvar_exe();
        const std::string make = "python3 " TEST_DATA_DIR "/../../bench/make_sheet.py --program " +
                                 std::string(c.program) + " --size " + std::to_string(c.size);
        scratch_dir plain, shown_in;
        for (const scratch_dir* dir : {&plain, &shown_in}) {
            const fs::path input = dir->path() / "input.txt";
            if (c.size == 0)
                write_file(input, example_file("already-in-equilibrium-dorvan", "input.txt"));
            else
                ASSERT_EQ(std::system((make + " -o " + input.string()).c_str()), 0);
        }
        const run_result run = run_in(program, plain.path(), "--threads 1");
        const std::vector<std::string> option(c.option ? 1 : 0, c.option ? c.option : "");
        const std::string shown = on_terminal(program, shown_in.path().string(), option).shown;
        const std::string what = std::string(c.program) + " " + (c.option ? c.option : "");
        EXPECT_EQ(shown.find("\riteration ") != std::string::npos, c.drawn) << what;
        EXPECT_EQ(shown.find('\033') != std::string::npos, c.drawn) << what;
        EXPECT_EQ(screen(shown), screen(run.out + run.err)) << what;
        for (const char* name : {"ansys.txt", "autocad.scr", "output.txt"})
            EXPECT_EQ(fs::exists(plain.path() / name) ? read_file(plain.path() / name) : "",
                      fs::exists(shown_in.path() / name) ? read_file(shown_in.path() / name) : "")
                << what << name;
    }
}

// Ctrl-C on the terminal, or SIGTERM: the status line is erased, the history's temporary file is
// removed, the deck written before stays, older files stay as they were, and the run ends by the
// signal (status 130 or 143 in a shell).
TEST(progress, an_interrupted_run_erases_the_line_and_leaves_only_finished_files) {
    for (const int signal : {SIGINT, SIGTERM}) {
        scratch_dir dir;
        const fs::path input = dir.path() / "input.txt";
        ASSERT_EQ(std::system(("python3 " TEST_DATA_DIR "/../../bench/make_sheet.py --program "
                               "dorvan --size 100 -o " +
                               input.string())
                                  .c_str()),
                  0);
        write_file(dir.path() / "output.txt", "earlier report\r\n");
        write_file(dir.path() / "history.csv", "earlier history\r\n");
        const terminal_run run =
            on_terminal(dorvan_exe(), dir.path().string(), {"--history", "history.csv"}, signal);
        EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == signal) << run.status;
        EXPECT_NE(run.shown.find("\riteration "), std::string::npos) << signal;
        for (const std::string& row : screen(run.shown))
            EXPECT_EQ(row.find("iteration"), std::string::npos) << signal << ": " << row;
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            left.push_back(entry.path().filename());
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, rows({"ansys.txt", "history.csv", "input.txt", "output.txt"})) << signal;
        EXPECT_EQ(read_file(dir.path() / "output.txt"), "earlier report\r\n");
        EXPECT_EQ(read_file(dir.path() / "history.csv"), "earlier history\r\n");
        const std::string deck = read_file(dir.path() / "ansys.txt");
        EXPECT_EQ(deck.substr(deck.size() - 8), "FINISH\r\n");
    }
}

}  // namespace
