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
        "Usage: %s [--vtu FILE] [--history FILE] [--quiet] [--threads N] [DIR]\n"
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
        "  --vtu FILE      also write the result as a ParaView file (.vtu, VTK XML): stresses,\n"
        "                  stretches, principal directions, wrinkling state, area ratio; apply\n"
        "                  \"Warp By Vector\" with the displacement array to see the deformed\n"
        "                  sheet. Written from the last iterate when the line search fails\n"
        "  --history FILE  write the convergence history as CSV: iteration, energy,\n"
        "                  max_residual, step, evaluations (also when the run fails)\n"
        "  --quiet         no progress line on a terminal\n"
        "  --threads N     use N worker threads (default: every CPU this process may use)\n"
        "  --help          show this text and exit\n"
        "  --version       show the version and exit\n"
        "\n"
        "Relative FILE paths are taken in DIR. Exit status: 0 for a completed run, 1 for a\n"
        "failure (reported on standard error), 2 for a mistake on the command line.\n",
        name, name, program.purpose);
}

// N of --threads: a whole number from 1 to 1024.
const CLI::Validator thread_count(
    [](std::string& text) -> std::string {
        int value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > 1024)
            return "expected a whole number of threads from 1 to 1024, got '" + text + "'";
        return {};
    },
    "");

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
    app.add_option("--threads", out.threads)->check(thread_count)->type_name("N");
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
        std::printf("%s %s\n", program.name, sheet::version());
        return 0;
    }
    return std::nullopt;
}

const char* version() {
    return SHEET_VERSION;
}

void enter_directory(const options& o) {
    if (o.directory.empty()) return;
    if (::chdir(o.directory.c_str()) != 0)
        throw failure("cannot enter directory " + o.directory + ": " + std::strerror(errno));
}

}  // namespace sheet
