// sheetprep: the command line, the run (problem file, mesh, input.txt) and its summary.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sheet/run/command_line.hpp"
#include "sheet/run/run_stages.hpp"
#include "sheetprep/follower.hpp"
#include "sheetprep/gmsh_mesh.hpp"
#include "sheetprep/input_writer.hpp"
#include "sheetprep/preparation.hpp"
#include "sheetprep/problem.hpp"
#include "sheetprep/real_text.hpp"

namespace {

const char* const help_text =
    "Usage: sheetprep [-o FILE] PROBLEM.toml\n"
    "       sheetprep --help | --version\n"
    "\n"
    "Builds the input.txt that dorvan or melvar reads from a gmsh mesh and a problem file.\n"
    "PROBLEM.toml names the program, the mesh (a .geo script, meshed here in two dimensions,\n"
    "or a .msh file), the sheet and its material, and the supports and loads, each on a named\n"
    "physical group of the mesh. Loads are dead loads on the initial geometry: a pressure acts\n"
    "along each triangle's initial normal, unless it is given follower = true: then it acts on\n"
    "the current area along the current normal (the open edges of its region must be held).\n"
    "The triangles of a pressure group must be consistently oriented (a negative pressure\n"
    "pushes the other way). The sheet is the surfaces of the physical surface groups, when\n"
    "there are any, and a surface mesh: a model with volumes is refused, and so is one without\n"
    "supports.\n"
    "A .geo script, and each file it reads, may describe geometry and mesh only: a command that\n"
    "runs a program, writes a file, ends or pauses gmsh, or reads a file from outside the\n"
    "problem file's folder is refused before gmsh reads the script. gmsh then has\n"
    "mesh_time_limit seconds (300) and room for max_elements triangles (1000000), two keys of\n"
    "the problem file.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE  write FILE instead of input.txt beside PROBLEM.toml\n"
    "  -h, --help         print this help and exit\n"
    "      --version      print the version and exit\n"
    "\n"
    "Files:\n"
    "  PROBLEM.toml       the problem (read); the mesh it names is found relative to it\n"
    "  input.txt          written whole or not at all, beside PROBLEM.toml unless -o\n"
    "\n"
    "On success a summary goes to standard output. Exit status: 0 when input.txt is written,\n"
    "1 on bad input (nothing is written), 2 on a usage error. An interrupted run writes no\n"
    "input.txt and leaves an older one as it was.\n";

struct command {
    std::string problem_file;
    std::string output;
};

int usage_error(const std::string& problem) {
    std::fprintf(stderr, "sheetprep: %s\nTry 'sheetprep --help'.\n", problem.c_str());
    return 2;
}

// Nothing to go on with the run, or the exit status to end with: after --help or --version, or
// a usage error.
std::optional<int> read_command_line(int argc, char** argv, command& out) {
    CLI::App app("", "sheetprep");
    app.set_help_flag();
    bool help = false, version = false;
    std::vector<std::string> positionals;
    app.add_flag("-h,--help", help);
    app.add_flag("--version", version);
    app.add_option("-o,--output", out.output);
    app.add_option("PROBLEM", positionals);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ArgumentMismatch&) {
        return usage_error("option -o needs a value: the file to write");
    } catch (const CLI::ExtrasError& error) {
        const std::vector<std::string> extras = app.remaining();
        if (extras.empty()) return usage_error(error.what());
        return usage_error("unknown option " + extras.front());
    } catch (const CLI::ParseError& error) {
        return usage_error(error.what());
    }
    if (help) return std::fputs(help_text, stdout), 0;
    if (version) return std::puts("sheetprep " SHEETPREP_VERSION), 0;
    if (positionals.empty()) return usage_error("missing the problem file PROBLEM.toml");
    if (positionals.size() > 1)
        return usage_error("one problem file only; '" + positionals[1] + "' is a second");
    if (out.output.empty() && app.count("-o") > 0)
        return usage_error("option -o needs a value: the file to write");
    out.problem_file = positionals[0];
    if (out.output.empty())
        out.output = (std::filesystem::path(out.problem_file).parent_path() / "input.txt").string();
    if (sheet::same_file(out.output, out.problem_file))
        return usage_error("'" + out.output + "' is the problem file; write input.txt elsewhere");
    return std::nullopt;
}

void print_summary(const sheetprep::sheet_input& in, const std::string& file) {
    const std::size_t nodes = in.sheet->nodes.size();
    const std::size_t elements = in.sheet->triangles.size();
    const std::size_t free = 3 * nodes - in.supports.size();
    double total[3] = {0.0, 0.0, 0.0};
    for (const sheetprep::component_value& line : in.loads) total[line.direction] += line.value;

    std::printf("sheetprep: wrote %s for %s\n", file.c_str(), sheetprep::program_name(in.program));
    std::printf("  nodes                 %zu\n", nodes);
    std::printf("  elements              %zu\n", elements);
    if (in.program == sheetprep::program_kind::dorvan)
        std::printf("  unknowns              %zu (%zu free components + %zu element thicknesses)\n",
                    free + elements, free, elements);
    else
        std::printf("  unknowns              %zu (free components)\n", free);
    std::printf("  supported components  %zu\n", in.supports.size());
    // Ten digits for the eye; input.txt holds every load to the last bit.
    std::printf("  summed load           X %.10g  Y %.10g  Z %.10g\n", total[0], total[1],
                total[2]);
    if (!in.pressures.empty()) {
        const sheetprep::region_measure start = sheetprep::measure_region(in);
        std::printf("  follower pressure     %zu triangles, area %.10g, enclosed volume %.10g\n",
                    in.pressures.size(), start.area, start.volume);
    }
}

}  // namespace

int main(int argc, char** argv) {
    command line;
    if (const std::optional<int> status = read_command_line(argc, argv, line)) return *status;

    return sheet::run_stages("sheetprep", [&] {
        const sheetprep::problem p = sheetprep::read_problem(line.problem_file);
        sheetprep::mesh_limits limits;
        limits.max_elements = p.max_elements.value_or(limits.max_elements);
        limits.seconds = p.mesh_time_limit.value_or(limits.seconds);
        // The scripts' files stay in the problem file's folder; a problem file read from a pipe
        // has none, and they stay in the mesh file's.
        std::error_code error;
        if (std::filesystem::is_regular_file(line.problem_file, error))
            limits.tree = std::filesystem::absolute(line.problem_file, error).parent_path();
        const sheetprep::mesh m = sheetprep::read_mesh(p.mesh, p.mesh_size, limits);
        const sheetprep::sheet_input in = sheetprep::prepare(p, m);
        sheetprep::write_input(in, line.output);
        if (p.program == sheetprep::program_kind::dorvan && p.thickness < 0.05)
            std::fprintf(stderr,
                         "sheetprep: warning: thickness %s is below 0.05 mesh length units; "
                         "dorvan's line search often fails on so thin a sheet (see \"Choosing "
                         "units for dorvan\" in README.md)\n",
                         sheetprep::real_text(p.thickness).c_str());
        print_summary(in, line.output);
    });
}
