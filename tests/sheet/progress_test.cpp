// The progress line: its text, how often it is drawn, and what a terminal shows once it is
// erased, whether the run returns or fails.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "sheet/progress.hpp"

namespace {

using sheet::progress;
using std::chrono::milliseconds;

struct status_case {
    std::int32_t iteration;
    double energy, residual, tolerance, elapsed;
    const char* text;
};

const status_case status_cases[] = {
    {1, -12.1306113, 3.2e-3, 1e-4, 12.34,
     "iteration 1  energy -1.213061E+01  max residual 3.2E-03 / 1.0E-04  0:12.3"},
    {0, 0.5, 0.0, 0.0, 0.0,
     "iteration 0  energy 5.000000E-01  max residual 0.0E+00 / 0.0E+00  0:00.0"},
    {175, -0.2337949, 1.1e-4, 1.2e-4, 3599.96,
     "iteration 175  energy -2.337949E-01  max residual 1.1E-04 / 1.2E-04  59:59.9"},
    {99999, 1e300, 2e10, 1e-12, 3600.0,
     "iteration 99999  energy 1.000000E+300  max residual 2.0E+10 / 1.0E-12  1:00:00"},
    {7, -1.0, 1.0, 1.0, 7384.5,
     "iteration 7  energy -1.000000E+00  max residual 1.0E+00 / 1.0E+00  2:03:04"},
};

TEST(progress, status_text_gives_iteration_energy_residual_tolerance_and_time) {
    for (const status_case& c : status_cases)
        EXPECT_EQ(sheet::status_text(c.iteration, c.energy, c.residual, c.tolerance, c.elapsed),
                  c.text);
}

// A pipe that stands for the terminal; what the program writes there is read back whole.
class terminal {
public:
    terminal() { EXPECT_EQ(::pipe(ends_), 0); }
    ~terminal() {
        ::close(ends_[0]);
        if (ends_[1] >= 0) ::close(ends_[1]);
    }
    int descriptor() const { return ends_[1]; }
    void print(const std::string& text) {
        EXPECT_EQ(::write(ends_[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    std::string bytes() {
        ::close(ends_[1]);
        ends_[1] = -1;
        std::string all;
        char chunk[4096];
        for (ssize_t got; (got = ::read(ends_[0], chunk, sizeof chunk)) > 0;)
            all.append(chunk, got);
        return all;
    }

private:
    int ends_[2] = {-1, -1};
};

// The lines a terminal shows after bytes (a line feed also returns the carriage, as a terminal
// does with its output processing); knows the controls the progress line uses.
std::vector<std::string> screen(const std::string& bytes) {
    std::vector<std::string> rows(1);
    std::size_t row = 0, column = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r') {
            column = 0;
        } else if (c == '\n') {
            column = 0;
            if (++row == rows.size()) rows.emplace_back();
        } else if (c == '\033') {
            EXPECT_EQ(bytes.at(i + 1), '[');
            std::size_t end = i + 2;
            int count = 0;
            while (std::isdigit(static_cast<unsigned char>(bytes.at(end))))
                count = count * 10 + (bytes[end++] - '0');
            const char command = bytes.at(end);
            if (command == 'K') {
                if (rows[row].size() > column) rows[row].resize(column);
            } else if (command == 'A') {
                EXPECT_GT(row, 0u);
                if (row > 0) --row;
            } else if (command == 'C') {
                column += count == 0 ? 1 : count;
            } else {
                ADD_FAILURE() << "unexpected control " << command;
            }
            i = end;
        } else {
            if (rows[row].size() <= column) rows[row].resize(column + 1, ' ');
            rows[row][column++] = c;
        }
    }
    return rows;
}

enum class ending { returned, halted, other_failure };

struct screen_case {
    const char* name;
    int draws;           // drawings before the end
    bool shares_output;  // standard output is the same terminal
    ending end;
    std::vector<std::string> shown;  // the screen after the program's last words
};

const char* const halt_report = "dorvan: NLP.HALT: linesearch: not a descent direction\n";

const screen_case screen_cases[] = {
    {"returned after drawing", 3, true, ending::returned, {"", "Minor =     9     Optimal", ""}},
    {"returned before any drawing",
     0,
     true,
     ending::returned,
     {"", "Minor =     9     Optimal", ""}},
    {"halted over the line",
     2,
     true,
     ending::halted,
     {"Line Search Failure", "dorvan: NLP.HALT: linesearch: not a descent direction", ""}},
    {"halted before any drawing",
     0,
     true,
     ending::halted,
     {"Line Search Failure", "dorvan: NLP.HALT: linesearch: not a descent direction", ""}},
    {"halted with the output elsewhere",
     2,
     false,
     ending::halted,
     {"dorvan: NLP.HALT: linesearch: not a descent direction", ""}},
    {"failed in the objective", 1, true, ending::other_failure, {"dorvan: out of memory", ""}},
};

TEST(progress, once_erased_the_terminal_shows_what_a_run_without_it_shows) {
    for (const screen_case& c : screen_cases) {
        terminal tty;
        const progress::clock::time_point start{};
        progress line(1e-4, start, tty.descriptor(), c.shares_output);
        for (int k = 0; k < c.draws; ++k)
            line.draw(k * 10, -1.5 * k, 0.25 / (k + 1), start + k * milliseconds(150));
        switch (c.end) {
            case ending::returned:
                line.erase();
                tty.print("\nMinor =     9     Optimal\n");
                break;
            case ending::halted:
                if (c.shares_output) tty.print("Line Search Failure\n");
                line.erase_after_halt();
                tty.print(halt_report);
                break;
            case ending::other_failure:
                line.erase();
                tty.print("dorvan: out of memory\n");
                break;
        }
        EXPECT_EQ(screen(tty.bytes()), c.shown) << c.name;
    }
}

TEST(progress, draws_at_most_once_an_interval_and_within_the_terminal_width) {
    terminal tty;
    const progress::clock::time_point start{};
    progress line(1e-4, start, tty.descriptor(), true);
    EXPECT_FALSE(line.due(start));
    EXPECT_FALSE(line.due(start + milliseconds(99)));
    EXPECT_TRUE(line.due(start + milliseconds(100)));
    line.draw(2147483647, -1e300, 1e300, start + milliseconds(250));
    EXPECT_FALSE(line.due(start + milliseconds(349)));
    EXPECT_TRUE(line.due(start + milliseconds(350)));
    const std::vector<std::string> shown = screen(tty.bytes());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].size(), 79u);  // a pipe has no width: 80 columns are assumed
    EXPECT_EQ(shown[0].rfind("iteration 2147483647  energy -1.000000E+300", 0), 0u);
}

TEST(progress, is_wanted_only_on_a_terminal_and_never_with_quiet) {
    sheet::options quiet;
    quiet.quiet = true;
    EXPECT_FALSE(progress::wanted(quiet));
    if (::isatty(STDERR_FILENO) != 1) {
        EXPECT_FALSE(progress::wanted(sheet::options{}));
    }
}

}  // namespace
