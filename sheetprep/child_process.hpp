// Work done in a child process of its own, under a limit of time and one of memory, and its
// result taken back through a pipe: whatever the work does (loops for ever, exhausts memory,
// crashes, ends the process), the parent goes on and says what happened.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sheetprep {

struct child_limits {
    double seconds = 0.0;      // wall-clock time; 0: none
    std::uint64_t memory = 0;  // bytes of address space, and of resident memory; 0: none
};

enum class child_end {
    done,           // bytes: what the work returned
    failed,         // bytes: the message of the sheet::failure (or other exception) it threw,
                    // or of one that escaped a thread of the work (escaped)
    timed_out,      // the time limit passed, and the child was killed
    out_of_memory,  // an allocation failed, or the child grew beyond the memory limit
    crashed,        // a signal ended it (signal), or it exited without a result (exit_status)
};

struct child_result {
    child_end end = child_end::crashed;
    std::string bytes;
    bool escaped = false;
    int signal = 0;
    int exit_status = 0;
};

// Runs work in a forked child: standard input and output on /dev/null, SIGINT and SIGTERM back
// to their default, killed when the parent dies. The child never returns into the caller's
// code: it leaves with _exit once the result is written. Fails only when no child can be made.
child_result run_in_child(const std::function<std::string()>& work, const child_limits& limits);

}  // namespace sheetprep
