// sheetprep: the command line, the run (problem file, mesh, input.txt) and its summary.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/output/output_path.hpp"
#include "sheet/output/run_outputs.hpp"
#include "sheet/run/command_line.hpp"
#include "sheet/run/run_stages.hpp"
#include "sheetprep/follower.hpp"
#include "sheetprep/gather.hpp"
#include "sheetprep/gmsh_mesh.hpp"
#include "sheetprep/input_writer.hpp"
#include "sheetprep/preparation.hpp"
#include "sheetprep/problem.hpp"
#include "sheetprep/real_text.hpp"
#include "sheetprep/sweep.hpp"

namespace {

const char* const help_text =
    "Usage: sheetprep [-o FILE] PROBLEM.toml\n"
    "       sheetprep --sweep DIR PROBLEM.toml\n"
    "       sheetprep --gather DIR [-o FILE]\n"
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
    "A [[chamber]] (group or groups = [...]) is a set of triangles that enclose a volume, closed\n"
    "or closed by held edges and by coordinate planes through the origin where the sheet is held\n"
    "at 0 normal to them, and share one pressure. Its control is one of pressure = p (a\n"
    "follower pressure), volume_change = dV or volume_ratio = r (the volume to reach, from the\n"
    "start or as a ratio to the initial volume; the pressure is the unknown), gas_pressure = p\n"
    "with reference_volume (the initial volume), exponent (1) and extra_volume (0): a gas with\n"
    "p (V + extra_volume)^exponent constant. Chambers are numbered in file order.\n"
    "A .geo script, and each file it reads, may describe geometry and mesh only: a command that\n"
    "runs a program, writes a file, ends or pauses gmsh, or reads a file from outside the\n"
    "problem file's folder is refused before gmsh reads the script. gmsh then has\n"
    "mesh_time_limit seconds (300) and room for max_elements triangles (1000000), two keys of\n"
    "the problem file.\n"
    "\n"
    "--sweep DIR prepares every case of the [sweep] table of PROBLEM.toml (\"sheet.thickness\"\n"
    "= [0.008, 0.01], ...) in DIR, with scripts that run them by GNU parallel or as a Slurm\n"
    "job array; --gather DIR then tabulates what the runs left in one CSV file.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE  write FILE instead of input.txt beside PROBLEM.toml (with --gather:\n"
    "                     instead of DIR/results.csv)\n"
    "      --sweep DIR    prepare the cases of PROBLEM.toml's [sweep] in DIR (new or empty)\n"
    "      --gather DIR   write the results of the sweep in DIR as one CSV table\n"
    "  -h, --help         print this help and exit\n"
    "      --version      print the version and exit\n"
    "\n"
    "Files:\n"
    "  PROBLEM.toml       the problem (read); the mesh it names is found relative to it\n"
    "  input.txt          written whole or not at all, beside PROBLEM.toml unless -o\n"
    "\n"
    "On success a summary goes to standard output. Exit status: 0 when input.txt is written,\n"
    "1 on bad input (nothing is written), 2 on a usage error. An interrupted run writes no\n"
    "input.txt and leaves an older one as it was; an interrupted --sweep leaves no DIR.\n";

struct command {
    std::string problem_file;
    std::string output;
    std::string sweep;   // --sweep DIR
    std::string gather;  // --gather DIR
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
    app.add_option("--sweep", out.sweep);
    app.add_option("--gather", out.gather);
    app.add_option("PROBLEM", positionals);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ArgumentMismatch& error) {
        for (const char* option : {"--sweep", "--gather"})
            if (std::string_view(error.what()).starts_with(option))
                return usage_error("option " + std::string(option) +
                                   " needs a value: the sweep's directory");
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
    for (const char* option : {"--sweep", "--gather"})
        if (app.count(option) > 0 && (option[2] == 's' ? out.sweep : out.gather).empty())
            return usage_error("option " + std::string(option) +
                               " needs a value: the sweep's directory");
    if (!out.sweep.empty() && !out.gather.empty())
        return usage_error("--sweep and --gather go one at a time");
    if (!out.sweep.empty() && app.count("-o") > 0)
        return usage_error(
            "option -o does not go with --sweep: each case's input.txt is written in its "
            "directory");
    if (!out.gather.empty()) {
        if (!positionals.empty())
            return usage_error("--gather takes no problem file; '" + positionals[0] + "' is one");
        if (out.output.empty() && app.count("-o") > 0)
            return usage_error("option -o needs a value: the file to write");
        if (out.output.empty())
            out.output = (std::filesystem::path(out.gather) / "results.csv").string();
        return std::nullopt;
    }
    if (positionals.empty()) return usage_error("missing the problem file PROBLEM.toml");
    if (positionals.size() > 1)
        return usage_error("one problem file only; '" + positionals[1] + "' is a second");
    if (out.output.empty() && app.count("-o") > 0)
        return usage_error("option -o needs a value: the file to write");
    out.problem_file = positionals[0];
    // A FILE of -o that is a directory, a pipe or a device is a mistake in the command.
    if (const std::string why = sheet::not_a_regular_file(out.output); !why.empty())
        return usage_error("option -o: '" + out.output + "' " + why);
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
    for (std::size_t c = 0; c < in.chambers.size(); ++c) {
        const sheetprep::chamber_input& chamber = in.chambers[c];
        std::string control = chamber.control;
        for (const double value : chamber.values) control += ' ' + sheetprep::real_text(value);
        std::printf("  chamber %-13zu %zu triangles, initial volume %.10g, %s\n", c + 1,
                    chamber.triangles.size(), chamber.initial_volume, control.c_str());
    }
}

void print_sweep_summary(const sheetprep::sweep_summary& summary, const std::string& dir) {
    std::string programs;
    for (const std::string& program : summary.programs)
        programs += (programs.empty() ? "" : " and ") + program;
    std::printf("sheetprep: prepared %zu case%s in %s for %s\n", summary.cases,
                summary.cases == 1 ? "" : "s", dir.c_str(), programs.c_str());
    std::string swept;
    for (std::size_t k = 0; k < summary.keys.size(); ++k)
        swept += (k == 0           ? ""
                  : summary.zipped ? " with "
                                   : " x ") +
                 summary.keys[k] + " (" + std::to_string(summary.value_counts[k]) + ")";
    std::printf("  swept                 %s\n", swept.c_str());
    std::printf("  run with GNU parallel %s/run-parallel.sh [SOLVER OPTIONS]\n", dir.c_str());
    std::printf("  or as a Slurm array   cd %s && sbatch run-slurm.sh [SOLVER OPTIONS]\n",
                dir.c_str());
    std::printf("  then                  sheetprep --gather %s\n", dir.c_str());
    const std::vector<std::string>& thin = summary.thin_dorvan_cases;
    if (thin.empty()) return;
    std::fprintf(stderr,
                 "sheetprep: warning: %s%s has a thickness below 0.05 mesh length units; "
                 "dorvan's line search often fails on so thin a sheet (see \"Choosing units for "
                 "dorvan\" in doc/methods.md)\n",
                 thin.front().c_str(),
                 thin.size() == 1
                     ? ""
                     : (" (and " + std::to_string(thin.size() - 1) + " more cases)").c_str());
}

}  // namespace

int main(int argc, char** argv) {
    command line;
    if (const std::optional<int> status = read_command_line(argc, argv, line)) return *status;

    if (!line.sweep.empty())
        return sheet::run_stages("sheetprep", [&] {
            std::error_code error;
            const std::filesystem::path self =
                std::filesystem::read_symlink("/proc/self/exe", error);
            print_sweep_summary(
                sheetprep::prepare_sweep(line.problem_file, line.sweep, self.parent_path()),
                line.sweep);
        });
    if (!line.gather.empty())
        return sheet::run_stages("sheetprep", [&] {
            const sheetprep::gather_summary s = sheetprep::gather_sweep(line.gather, line.output);
            std::printf(
                "sheetprep: wrote %s: %zu cases, %zu Optimal, %zu NOT Optimal, %zu failed, %zu "
                "running, %zu not run\n",
                line.output.c_str(), s.cases, s.optimal, s.not_optimal, s.failed, s.running,
                s.not_run);
        });

    return sheet::run_stages("sheetprep", [&] {
        sheet::prepare_outputs({line.output});
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
                         "units for dorvan\" in doc/methods.md)\n",
                         sheetprep::real_text(p.thickness).c_str());
        print_summary(in, line.output);
    });
}
