// Preparing a sweep. Each case's problem file is the original text with the [sweep] table cut
// out and the case's values (and the mesh's path) written over the old ones, so that its comments
// and layout stay; the edit is checked by reading it back, and where it would not give the
// intended document (a layout the edit does not foresee) the document is written out by toml++
// instead. The cases go into a directory beside DIR that takes DIR's place only when whole.
#include "sheetprep/sweep.hpp"

#include <toml++/toml.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>
#include <variant>

#include "sheet/failure.hpp"
#include "sheet/output/text_file.hpp"
#include "sheetprep/case_text.hpp"
#include "sheetprep/gmsh_mesh.hpp"
#include "sheetprep/input_writer.hpp"
#include "sheetprep/preparation.hpp"
#include "sheetprep/problem.hpp"
#include "sheetprep/real_text.hpp"
#include "sheetprep/sweep_plan.hpp"
#include "sheetprep/sweep_scripts.hpp"

namespace sheetprep {

namespace {

namespace fs = std::filesystem;

// The problem file read whole (a pipe serves too), refused when it holds a NUL byte.
std::string read_text(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw sheet::failure("cannot open problem file " + file + ": " + std::strerror(errno));
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        throw sheet::failure("cannot read problem file " + file + ": " + std::strerror(errno));
    std::string out = std::move(text).str();
    if (out.find('\0') != std::string::npos)
        throw sheet::failure(file + ": holds a NUL byte; the problem file must be TOML text");
    return out;
}

toml::table parse_toml(std::string_view text, const std::string& file) {
    try {
        return toml::parse(text, std::string_view(file));
    } catch (const toml::parse_error& error) {
        throw sheet::failure(place_in(file, error.source()) + std::string(error.description()));
    }
}

// The mesh of a case: the file to read and the name its problem file gives it, which resolves
// from the case's directory as the original resolved from the problem file's.
struct mesh_place {
    fs::path file;
    std::string name;
};

mesh_place place_mesh(const std::string& written, const std::string& problem_file,
                      const fs::path& case_dir) {
    const fs::path original = fs::path(problem_file).parent_path() / written;
    if (fs::path(written).is_absolute()) return {original, written};
    std::error_code error;
    const fs::path absolute = fs::absolute(original, error);
    const fs::path folder = fs::weakly_canonical(absolute.parent_path(), error);
    if (error) return {original, absolute.string()};
    const fs::path relative = (folder / absolute.filename()).lexically_relative(case_dir);
    return {original,
            relative.empty() ? (folder / absolute.filename()).string() : relative.generic_string()};
}

// SIGINT and SIGTERM, while the sweep is prepared, only note that they came (each unless it is
// ignored); the sweep looks between its cases, so that it removes its unfinished directory
// before the process ends by the signal.
volatile std::sig_atomic_t interrupting_signal = 0;

extern "C" void note_interrupt(int signal) {
    interrupting_signal = signal;
}

class interrupts_noted {
public:
    interrupts_noted() {
        for (int k = 0; k < 2; ++k) {
            if (::sigaction(signals[k], nullptr, &previous_[k]) != 0 ||
                previous_[k].sa_handler == SIG_IGN)
                continue;
            struct sigaction action {};
            action.sa_handler = note_interrupt;
            action.sa_flags = SA_RESTART;
            sigemptyset(&action.sa_mask);
            ::sigaction(signals[k], &action, nullptr);
            installed_[k] = true;
        }
    }
    ~interrupts_noted() {
        for (int k = 0; k < 2; ++k)
            if (installed_[k]) ::sigaction(signals[k], &previous_[k], nullptr);
    }
    interrupts_noted(const interrupts_noted&) = delete;
    interrupts_noted& operator=(const interrupts_noted&) = delete;

private:
    static constexpr int signals[2] = {SIGINT, SIGTERM};
    struct sigaction previous_[2]{};
    bool installed_[2] = {false, false};
};

struct interrupted {};

// The directory being filled, removed unless it is kept.
class unfinished_directory {
public:
    explicit unfinished_directory(fs::path path) : path_(std::move(path)) {}
    ~unfinished_directory() {
        std::error_code ignored;
        if (!kept_) fs::remove_all(path_, ignored);
    }
    unfinished_directory(const unfinished_directory&) = delete;
    unfinished_directory& operator=(const unfinished_directory&) = delete;
    const fs::path& path() const { return path_; }
    void keep() { kept_ = true; }

private:
    fs::path path_;
    bool kept_ = false;
};

// DIR as a path to create: absent or an empty directory, in a directory that exists.
fs::path target_of(const std::string& dir) {
    std::error_code error;
    fs::path target = fs::weakly_canonical(fs::absolute(dir, error), error);
    if (error) throw sheet::failure("cannot create " + dir + ": " + error.message());
    const fs::file_status status = fs::status(target, error);
    if (fs::exists(status)) {
        if (!fs::is_directory(status))
            throw sheet::failure(dir +
                                 " exists and is not a directory; a sweep goes into a new "
                                 "or empty directory");
        if (!fs::is_empty(target, error) || error)
            throw sheet::failure(dir +
                                 " exists and holds files; a sweep goes into a new or "
                                 "empty directory");
        if (fs::equivalent(target, fs::current_path(error), error))
            throw sheet::failure(dir +
                                 " is the working directory; a sweep goes into a new or "
                                 "empty directory of its own");
    }
    if (!fs::is_directory(target.parent_path(), error))
        throw sheet::failure("cannot create " + dir + ": its parent " +
                             target.parent_path().string() + " is no directory");
    return target;
}

fs::path make_work_directory(const fs::path& target, const std::string& dir) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path work =
            target.parent_path() / ("." + target.filename().string() + ".sheetprep-" +
                                    std::to_string(::getpid()) + "-" + std::to_string(attempt));
        std::error_code error;
        if (fs::create_directory(work, error)) return work;
        if (error) throw sheet::failure("cannot create " + dir + ": " + error.message());
    }
    throw sheet::failure("cannot create " + dir + ": no free name for its temporary directory");
}

void write_text(const fs::path& file, const std::string& text, bool executable = false) {
    sheet::text_file out(file.string());
    out.put(text);
    out.commit();
    if (executable) {
        std::error_code error;
        fs::permissions(file,
                        fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                        fs::perm_options::add, error);
        if (error) throw sheet::failure("cannot make " + file.string() + " executable");
    }
}

std::string case_name(std::size_t k, std::size_t cases) {
    std::string number = std::to_string(k + 1);
    const std::size_t width = std::max<std::size_t>(4, std::to_string(cases).size());
    return "case-" + std::string(width - std::min(width, number.size()), '0') + number;
}

// What the sweep makes of the problem file, read before anything is written.
struct sweep_source {
    std::string text;
    toml::table document;
    sweep_plan plan;
    std::optional<std::pair<std::size_t, std::size_t>> stretch;
};

void check_base(const sweep_source& source, const std::string& file) {
    // The problem file less its [sweep] table must be a problem: read with the table blanked
    // out, so that a fault's line and column are those of the file.
    toml::table rest = source.document;
    rest.erase("sweep");
    std::string blanked = source.text;
    if (source.stretch)
        for (std::size_t k = source.stretch->first; k < source.stretch->second; ++k)
            if (blanked[k] != '\n') blanked[k] = ' ';
    bool same = false;
    try {
        same = source.stretch && toml::parse(blanked) == rest;
    } catch (const toml::parse_error&) {
    }
    if (!same) {
        std::ostringstream out;
        out << rest << '\n';
        blanked = out.str();
    }
    parse_problem(blanked, file);
}

// Prepares every case into a directory beside target, then puts it in target's place.
void write_cases(const sweep_source& source, const std::string& problem_file,
                 const std::string& dir, const fs::path& target, const fs::path& solver_dir,
                 sweep_summary& summary) {
    const sweep_plan& plan = source.plan;
    const text_offsets offsets(source.text);
    unfinished_directory work(make_work_directory(target, dir));
    std::string manifest = "case,directory,program";
    for (const swept_key& k : plan.keys) manifest += "," + csv_field(k.name);
    manifest += '\n';
    // Cases that share a mesh file and size share its reading.
    std::map<std::pair<std::string, std::optional<double>>, mesh> meshes;
    const std::string base_mesh(*source.document.get("mesh")->value<std::string_view>());
    for (std::size_t k = 0; k < plan.cases; ++k) {
        if (interrupting_signal != 0) throw interrupted{};
        const std::vector<std::size_t> picks = picks_of(plan, k);
        const std::string name = case_name(k, plan.cases);
        std::string values;
        std::string mesh_written = base_mesh;
        for (std::size_t j = 0; j < plan.keys.size(); ++j) {
            const std::string value = shown(*plan.keys[j].values[picks[j]]);
            values += (j == 0 ? "" : ", ") + plan.keys[j].name + " = " + value;
            if (plan.keys[j].name == "mesh") mesh_written = value;
        }
        try {
            const mesh_place where = place_mesh(mesh_written, problem_file, target / name);
            const std::string text =
                case_text(offsets, source.document, plan, picks, source.stretch, where.name);
            problem p = parse_problem(text, (fs::path(dir) / name / "problem.toml").string());
            // The case's directory is not in place yet: its mesh is read where it lies.
            p.mesh = where.file;
            std::error_code error;
            const fs::path known = fs::weakly_canonical(fs::absolute(p.mesh), error);
            const auto key = std::make_pair(error ? p.mesh.string() : known.string(), p.mesh_size);
            auto found = meshes.find(key);
            if (found == meshes.end())
                found = meshes.emplace(key, read_mesh(p.mesh, p.mesh_size)).first;
            const sheet_input in = prepare(p, found->second);
            const fs::path folder = work.path() / name;
            if (!fs::create_directory(folder, error) || error)
                throw sheet::failure("cannot create " + (fs::path(dir) / name).string() + ": " +
                                     error.message());
            write_text(folder / "problem.toml", text);
            write_input(in, (folder / "input.txt").string());
            const std::string program = program_name(p.program);
            if (std::find(summary.programs.begin(), summary.programs.end(), program) ==
                summary.programs.end())
                summary.programs.push_back(program);
            if (p.program == program_kind::dorvan && p.thickness < 0.05)
                summary.thin_dorvan_cases.push_back(name);
            manifest.append(std::to_string(k + 1)).append(",").append(name).append(",");
            manifest.append(program);
            for (std::size_t j = 0; j < plan.keys.size(); ++j)
                manifest.append(",").append(listed(*plan.keys[j].values[picks[j]]));
            manifest += '\n';
        } catch (const sheet::failure& failure) {
            if (interrupting_signal != 0) throw interrupted{};
            throw sheet::failure(name + " (" + values + "): " + failure.what());
        }
    }
    if (interrupting_signal != 0) throw interrupted{};
    write_text(work.path() / "manifest.csv", manifest);
    const script_places places = find_solvers(solver_dir, target);
    write_text(work.path() / "run-case.sh", run_case_script(places), true);
    write_text(work.path() / "run-parallel.sh", run_parallel_script(places), true);
    write_text(work.path() / "run-slurm.sh", run_slurm_script(places, plan.cases), true);
    if (interrupting_signal != 0) throw interrupted{};
    std::error_code error;
    fs::rename(work.path(), target, error);
    if (error)
        throw sheet::failure("cannot create " + dir + ": " +
                             (error == std::errc::directory_not_empty
                                  ? std::string("it holds files now")
                                  : error.message()));
    work.keep();
}

}  // namespace

std::string csv_field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

sweep_summary prepare_sweep(const std::string& problem_file, const std::string& dir,
                            const fs::path& solver_dir) {
    sweep_source source;
    source.text = read_text(problem_file);
    source.document = parse_toml(source.text, problem_file);
    const toml::node* sweep = source.document.get("sweep");
    if (sweep == nullptr)
        throw sheet::failure(problem_file +
                             ": has no [sweep] table naming the values to sweep, such as "
                             "\"sheet.thickness\" = [0.008, 0.01]");
    if (!sweep->is_table())
        throw sheet::failure(place_in(problem_file, sweep->source()) +
                             "'sweep' must be a table [sweep]");
    source.stretch = sweep_stretch(source.document, *sweep->as_table(), text_offsets(source.text));
    check_base(source, problem_file);
    source.plan = read_sweep(source.document, *sweep->as_table(), problem_file);
    const fs::path target = target_of(dir);

    sweep_summary summary;
    summary.cases = source.plan.cases;
    summary.zipped = source.plan.zipped;
    for (const swept_key& k : source.plan.keys) {
        summary.keys.push_back(k.name);
        summary.value_counts.push_back(k.values.size());
    }
    int signal = 0;
    {
        interrupting_signal = 0;
        const interrupts_noted noting;
        try {
            write_cases(source, problem_file, dir, target, solver_dir, summary);
        } catch (const interrupted&) {
        } catch (const std::exception&) {
            if (interrupting_signal == 0) throw;
        }
        signal = interrupting_signal;
    }
    if (signal != 0) {
        // The handler from before the sweep, or the default action, ends the process.
        std::raise(signal);
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    return summary;
}

}  // namespace sheetprep
