// Parsing of the shared command line with CLI11, with our own usage text and messages.
#include "sheet/run/command_line.hpp"

#include <unistd.h>
#include <CLI/CLI.hpp>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "sheet/failure.hpp"

#ifndef SHEET_VERSION
#error "SHEET_VERSION must come from the build"
#endif

namespace sheet {

namespace {

void print_usage(const program_text& program) {
    const char* name = program.name;
    std::printf(
        "Usage: %s [--vtu FILE] [--history FILE] [--steps N] [--quiet] [--threads N] [DIR]\n"
        "       %s --help | --version\n"
        "\n"
        "%s\n"
        "\n"
        "Reads DIR/input.txt (DIR defaults to the current directory) and writes into DIR:\n"
        "  ansys.txt     an APDL deck that rebuilds the problem (written before the minimisation)\n"
        "  autocad.scr   a CAD script drawing the initial and the deformed mesh\n"
        "  output.txt    the report: displacements, element stresses, support reactions\n"
        "\n"
        "Options:\n"
        "  --vtu FILE      also write the result as a ParaView file (.vtu, VTK XML); apply\n"
        "                  \"Warp By Vector\" with the displacement array to see the deformed "
        "sheet\n"
        "  --history FILE  write the convergence history as CSV: iteration, energy,\n"
        "                  max_residual, step, evaluations (also when the run fails)\n"
        "  --steps N       reach the loads, pressures and prescribed displacements in N equal\n"
        "                  steps, each from the last one's solution; with --vtu FILE.vtu also\n"
        "                  write FILE-0001.vtu ... per step and FILE.pvd, a ParaView series\n"
        "  --quiet         no progress line on a terminal\n"
        "  --threads N     use N worker threads (default: every CPU this process may use)\n"
        "  --help          show this text and exit\n"
        "  --version       show the version and exit\n"
        "\n"
        "Relative FILE paths are taken in DIR. Exit status: 0 for a completed run, 1 for a\n"
        "failure (reported on standard error), 2 for a mistake on the command line.\n",
        name, name, program.purpose);
}

// A whole number from 1 to most, what it counts named in the message.
CLI::Validator whole_number(const char* what, int most) {
    return CLI::Validator(
        [what, most](std::string& text) -> std::string {
            int value = 0;
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), value);
            if (error != std::errc() || end != text.data() + text.size() || value < 1 ||
                value > most)
                return std::string("expected a whole number of ") + what + " from 1 to " +
                       std::to_string(most) + ", got '" + text + "'";
            return {};
        },
        "");
}

}  // namespace

std::optional<int> parse_command_line(const program_text& program, int argc,
                                      const char* const* argv, options& out) {
    CLI::App app(program.purpose, program.name);
    app.set_help_flag();  // our own usage text instead
    bool help = false;
    bool version = false;
    app.add_flag("--help", help)->disable_flag_override();
    app.add_flag("--version", version)->disable_flag_override();
    app.add_option("--vtu", out.vtu)->type_name("FILE");
    app.add_option("--history", out.history)->type_name("FILE");
    app.add_flag("--quiet", out.quiet)->disable_flag_override();
    app.add_option("--steps", out.steps)->check(whole_number("steps", 10000))->type_name("N");
    app.add_option("--threads", out.threads)->check(whole_number("threads", 1024))->type_name("N");
    app.add_option("DIR", out.directory);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& mistake) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program.name, mistake.what(),
                     program.name);
        return 2;
    }
    if (help) {
        print_usage(program);
        return 0;
    }
    if (version) {
        std::printf("%s %s\n", program.name, SHEET_VERSION);
        return 0;
    }
    return std::nullopt;
}

void enter_directory(const options& o) {
    if (o.directory.empty()) return;
    if (::chdir(o.directory.c_str()) != 0)
        throw failure("cannot enter directory " + o.directory + ": " + std::strerror(errno));
}

}  // namespace sheet
