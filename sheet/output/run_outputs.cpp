// The checks of a run's output files before it starts.
#include "sheet/output/run_outputs.hpp"

#include <cstdio>
#include <filesystem>
#include <set>

#include "sheet/output/output_path.hpp"
#include "sheet/output/series.hpp"
#include "sheet/output/temporaries.hpp"
#include "sheet/output/text_file.hpp"

namespace sheet {

namespace {

// A file the run writes, with what the user is told it is when it cannot be.
struct output_file {
    std::string name;
    std::string option;  // the option that asked for it, or empty for the fixed files
    std::string role;    // what it is, when its name is not one the user gave
};

std::vector<output_file> outputs_of(const requested_outputs& asked) {
    std::vector<output_file> out = {
        {"ansys.txt", "", ""}, {"autocad.scr", "", ""}, {"output.txt", "", ""}};
    if (!asked.vtu.empty()) {
        out.push_back({asked.vtu, "--vtu", ""});
        if (asked.steps > 1) {
            for (int k = 1; k <= asked.steps; ++k)
                out.push_back({step_file_name(asked.vtu, k), "--vtu",
                               "the file of load step " + std::to_string(k)});
            out.push_back({collection_name(asked.vtu), "--vtu", "the collection of the steps"});
        }
    }
    if (!asked.history.empty()) out.push_back({asked.history, "--history", ""});
    return out;
}

}  // namespace

std::optional<int> refuse_irregular_outputs(const char* program, const std::string& directory,
                                            const requested_outputs& asked) {
    const std::filesystem::path dir = directory.empty() ? "." : directory;
    for (const output_file& file : outputs_of(asked)) {
        if (file.option.empty()) continue;
        const std::string why = not_a_regular_file((dir / file.name).string());
        if (why.empty()) continue;
        // The words name the file as the user gave it, whichever path reached it.
        const std::string shown =
            "'" + file.name + "'" + (file.role.empty() ? "" : ", " + file.role + ",");
        std::fprintf(stderr, "%s: %s: %s %s\nTry '%s --help'.\n", program, file.option.c_str(),
                     shown.c_str(), why.c_str(), program);
        return 2;
    }
    return std::nullopt;
}

void prepare_run_outputs(const requested_outputs& asked) {
    std::vector<std::string> names;
    for (const output_file& file : outputs_of(asked)) names.push_back(file.name);
    prepare_outputs(names);
}

void prepare_outputs(const std::vector<std::string>& names) {
    std::vector<std::string> targets;
    targets.reserve(names.size());
    for (const std::string& name : names) targets.push_back(written_path(name));
    temporaries::remove_stale(targets);
    // One file made and removed in each directory tells whether it takes new files; the other
    // names there need only the look at what stands at them.
    std::set<std::string> tried;
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (tried.insert(std::filesystem::path(targets[k]).parent_path().string()).second)
            text_file probe(names[k]);
        else
            checked_target(names[k]);
    }
}

}  // namespace sheet
