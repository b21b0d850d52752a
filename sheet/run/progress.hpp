// The progress line: one status line on a terminal, redrawn in place while the minimiser runs
// and erased before anything else is printed.
#pragma once

#include <unistd.h>
#include <chrono>
#include <cstdint>
#include <string>

#include "sheet/run/command_line.hpp"

namespace sheet {

class progress {
public:
    using clock = std::chrono::steady_clock;
    static constexpr clock::duration interval = std::chrono::milliseconds(100);

    // Whether a run shows the line: standard error is a terminal that knows the cursor controls
    // (TERM is not "dumb") and --quiet is not given.
    static bool wanted(const options& o);

    // The line goes to descriptor. The first drawing is due an interval after start.
    progress(double tolerance, clock::time_point start, int descriptor = STDERR_FILENO);

    bool due(clock::time_point now) const { return now >= next_; }
    // Draws "iteration K  energy E  max residual R / TOLERANCE  M:SS.S" over the line, cut to
    // the terminal's width, and leaves the cursor at column 0 so that whatever is printed next
    // starts over it.
    void draw(std::int32_t iteration, double energy, double residual, clock::time_point now);
    // Leaves the cursor at column 0 of an empty line where the status line was.
    void erase();
    // Erases the line that is shown, if any, as erase() does. Async-signal-safe: for the
    // handler of an interrupted run.
    static void erase_after_signal() noexcept;

private:
    void write(const std::string& text) const;

    double tolerance_;
    clock::time_point start_;
    clock::time_point next_;
    int descriptor_;
    bool shown_ = false;
};

// The status text itself, elapsed in seconds.
std::string status_text(std::int32_t iteration, double energy, double residual, double tolerance,
                        double elapsed);

}  // namespace sheet
