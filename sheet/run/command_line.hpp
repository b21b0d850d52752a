// The command line both programs share:
//   PROGRAM [--vtu FILE] [--history FILE] [--steps N] [--quiet] [--threads N] [DIR]
//   PROGRAM --help | --version
// Without arguments a program runs as it always has, in the working directory.
#pragma once

#include <optional>
#include <string>

namespace sheet {

struct options {
    std::string directory;  // DIR; empty: the working directory
    std::string vtu;        // --vtu FILE; empty: no .vtu
    std::string history;    // --history FILE; empty: no history
    int steps = 1;          // --steps N (N >= 1): load steps; 1: the single run
    bool quiet = false;     // --quiet: no progress line
    int threads = 0;        // --threads N (N >= 1); 0: every CPU the process may run on
};

// What a program says of itself in its usage text.
struct program_text {
    const char* name;     // "dorvan"
    const char* purpose;  // a paragraph on what it computes
};

// Reads argv into out. Returns the exit status when the program must end here: 0 after --help
// (usage on standard output) or --version, 2 after a usage mistake, reported on standard error
// as one line naming it and "Try 'PROGRAM --help'.".
std::optional<int> parse_command_line(const program_text& program, int argc,
                                      const char* const* argv, options& out);

// Makes DIR the working directory, so that input.txt, the three files and relative --vtu and
// --history paths are all taken in it. Fails naming DIR when it cannot be entered.
void enter_directory(const options& o);

}  // namespace sheet
