// The command line both programs share:
//   PROGRAM [--method lbfgs|newton] [--tolerance-factor F] [--vtu FILE] [--history FILE]
//           [--steps N] [--quiet] [--timings] [--threads N] [DIR]
//   PROGRAM --help | --version
// Without arguments a program runs as it always has, in the working directory.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace sheet {

// The solution method: the original limited-memory BFGS, or Newton's method.
enum class method { lbfgs, newton };

struct options {
    sheet::method method = method::lbfgs;  // --method
    double tolerance_factor = 0.0;         // --tolerance-factor F (F > 0); 0: the file's
    std::string directory;                 // DIR; empty: the working directory
    std::string vtu;                       // --vtu FILE; empty: no .vtu
    std::string history;                   // --history FILE; empty: no history
    int steps = 1;                         // --steps N (N >= 1): load steps; 1: the single run
    bool quiet = false;                    // --quiet: no progress line
    bool timings = false;                  // --timings: the time split on standard error
    int threads = 0;  // --threads N (N >= 1); 0: every CPU the process may run on
};

// What a program says of itself in its usage text.
struct program_text {
    const char* name;     // "dorvan"
    const char* purpose;  // a paragraph on what it computes
};

// Reads argv into out. Returns the exit status when the program must end here: 0 after --help
// (usage on standard output) or --version, 2 after a usage mistake, reported on standard error
// as one line naming it and "Try 'PROGRAM --help'.". An empty FILE is a mistake, and so is one
// that is the same file as input.txt, one of the three files a run writes, or the other FILE.
std::optional<int> parse_command_line(const program_text& program, int argc,
                                      const char* const* argv, options& out);

// Whether a and b name the same file: by device and inode when both exist (a hard or symbolic
// link counts), otherwise by their paths with the links of the part that exists resolved.
bool same_file(const std::filesystem::path& a, const std::filesystem::path& b);

// The package's version, as --version prints it.
const char* version();

// Makes DIR the working directory, so that input.txt, the three files and relative --vtu and
// --history paths are all taken in it. Fails naming DIR when it cannot be entered.
void enter_directory(const options& o);

}  // namespace sheet
