// Parsing of the shared command line with CLI11, with our own usage text and messages.
#include "sheet/run/command_line.hpp"

#include <unistd.h>
#include <CLI/CLI.hpp>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "sheet/failure.hpp"

#ifndef SHEET_VERSION
#error "SHEET_VERSION must come from the build"
#endif

namespace sheet {

namespace {

void print_usage(const program_text& program) {
    const char* name = program.name;
    std::printf(
        "Usage: %s [--method lbfgs|newton] [--tolerance-factor F] [--vtu FILE]\n"
        "          [--history FILE] [--steps N] [--quiet] [--timings] [--threads N] [DIR]\n"
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
        "  --method M      lbfgs (default): the original limited-memory BFGS, the same\n"
        "                  bytes on any CPU, iterations that grow with the mesh; newton:\n"
        "                  exact Hessians and a sparse Cholesky, a few dozen iterations on\n"
        "                  any mesh (same bytes for any --threads on one machine)\n"
        "  --tolerance-factor F  replace the file's tolerance factor by F (> 0)\n"
        "  --vtu FILE      also write the result as a ParaView file (.vtu, VTK XML): stresses,\n"
        "                  stretches, principal directions, wrinkling state, area ratio; apply\n"
        "                  \"Warp By Vector\" with the displacement array to see the deformed\n"
        "                  sheet. Written from the last iterate when the line search fails\n"
        "  --history FILE  write the convergence history as CSV: iteration, energy,\n"
        "                  max_residual, step, evaluations (also when the run fails)\n"
        "  --steps N       reach the loads, pressures and prescribed displacements in N equal\n"
        "                  steps, each from the last one's solution; with --vtu FILE.vtu also\n"
        "                  write FILE-0001.vtu ... per step and FILE.pvd, a ParaView series\n"
        "  --quiet         no progress line on a terminal\n"
        "  --timings       at the end, the time each stage took on standard error (and where\n"
        "                  Newton's method spent its time)\n"
        "  --threads N     use N worker threads (default: every CPU this process may use)\n"
        "  --help          show this text and exit\n"
        "  --version       show the version and exit\n"
        "\n"
        "Relative FILE paths are taken in DIR; a FILE may not be input.txt, one of the three\n"
        "files above or the other option's FILE. Exit status: 0 for a completed run, 1 for a\n"
        "failure (reported on standard error), 2 for a mistake on the command line; an\n"
        "interrupted run removes the file it was writing and ends by the signal.\n",
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

// FILE of --vtu and --history: an empty name would write nothing.
const CLI::Validator file_name(
    [](std::string& text) -> std::string {
        return text.empty() ? "FILE must not be empty" : std::string();
    },
    "");

// The files a run reads or writes besides --vtu and --history, and what it does with each.
struct run_file {
    const char* name;
    const char* use;
};
constexpr run_file run_files[] = {{"input.txt", "reads"},
                                  {"ansys.txt", "writes"},
                                  {"autocad.scr", "writes"},
                                  {"output.txt", "writes"}};

// Why a --vtu or --history FILE would overwrite a file of the run, or nothing; every path is
// taken in DIR.
std::string clash(const options& o) {
    namespace fs = std::filesystem;
    const fs::path dir = o.directory.empty() ? fs::path(".") : fs::path(o.directory);
    const std::pair<const char*, const std::string*> given[] = {{"--vtu", &o.vtu},
                                                                {"--history", &o.history}};
    for (const auto& [option, file] : given) {
        if (file->empty()) continue;
        for (const run_file& f : run_files)
            if (same_file(dir / *file, dir / f.name))
                return std::string(option) + ": '" + *file + "' is the same file as " + f.name +
                       ", which the run " + f.use;
    }
    if (!o.vtu.empty() && !o.history.empty() && same_file(dir / o.vtu, dir / o.history))
        return "--history: '" + o.history + "' is the same file as the --vtu FILE";
    return {};
}

// F of --tolerance-factor: a finite real above 0.
const CLI::Validator positive_factor(
    [](std::string& text) -> std::string {
        double value = 0.0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || !(value > 0.0) ||
            !std::isfinite(value))
            return "expected a tolerance factor above 0, got '" + text + "'";
        return {};
    },
    "");

// M of --method: one of the two names.
const CLI::Validator method_name(
    [](std::string& text) -> std::string {
        if (text == "lbfgs" || text == "newton") return {};
        return "expected lbfgs or newton, got '" + text + "'";
    },
    "");

}  // namespace

bool same_file(const std::filesystem::path& a, const std::filesystem::path& b) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::equivalent(a, b, error)) return true;
    const fs::path resolved_a = fs::weakly_canonical(a, error);
    if (error) return false;
    const fs::path resolved_b = fs::weakly_canonical(b, error);
    return !error && resolved_a == resolved_b;
}

std::optional<int> parse_command_line(const program_text& program, int argc,
                                      const char* const* argv, options& out) {
    CLI::App app(program.purpose, program.name);
    app.set_help_flag();  // our own usage text instead
    bool help = false;
    bool version = false;
    app.add_flag("--help", help)->disable_flag_override();
    app.add_flag("--version", version)->disable_flag_override();
    app.add_option_function<std::string>("--method",
                                         [&out](const std::string& name) {
                                             out.method =
                                                 name == "newton" ? method::newton : method::lbfgs;
                                         })
        ->check(method_name)
        ->type_name("M");
    app.add_option("--tolerance-factor", out.tolerance_factor)
        ->check(positive_factor)
        ->type_name("F");
    app.add_option("--vtu", out.vtu)->check(file_name)->type_name("FILE");
    app.add_option("--history", out.history)->check(file_name)->type_name("FILE");
    app.add_flag("--quiet", out.quiet)->disable_flag_override();
    app.add_flag("--timings", out.timings)->disable_flag_override();
    app.add_option("--steps", out.steps)->check(whole_number("steps", 10000))->type_name("N");
    app.add_option("--threads", out.threads)->check(whole_number("threads", 1024))->type_name("N");
    app.add_option("DIR", out.directory);
    const auto usage_mistake = [&program](const char* what) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program.name, what, program.name);
        return 2;
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& mistake) {
        return usage_mistake(mistake.what());
    }
    if (help) {
        print_usage(program);
        return 0;
    }
    if (version) {
        std::printf("%s %s\n", program.name, sheet::version());
        return 0;
    }
    if (const std::string why = clash(out); !why.empty()) return usage_mistake(why.c_str());
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
