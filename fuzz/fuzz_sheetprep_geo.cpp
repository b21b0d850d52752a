// Fuzz target: any text as a .geo script, through the guard and, when the guard lets it pass,
// through gmsh itself (in its own process, two seconds at most and room for 20 000 triangles).
// Every failure must be one line, gmsh's process may not end as Exit ends it, and nothing the
// script makes gmsh do may leave a file in the run's folder (gmsh's working directory, where a
// shell command would write).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_target.hpp"
#include "sheetprep/geo_guard.hpp"
#include "sheetprep/gmsh_mesh.hpp"

namespace {

namespace fs = std::filesystem;

fs::path folder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char name[] = "/tmp/fuzz-geo-XXXXXX";
    if (::mkdtemp(name) == nullptr) sheet_fuzz::finding("cannot make a scratch folder", name);
    folder = name;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        sheetprep::check_geo_text(text, "fuzz.geo");
    } catch (const sheet::failure& failure) {
        sheet_fuzz::check_report(failure);
        return 0;
    }
    const fs::path script = folder / "fuzz.geo";
    {
        std::ofstream out(script, std::ios::binary);
        out << text;
    }
    sheetprep::mesh_limits limits;
    limits.max_elements = 20000;
    limits.seconds = 2.0;
    limits.tree = folder;
    // gmsh works in the run's folder, where a shell command would write.
    const fs::path here = fs::current_path();
    fs::current_path(folder);
    try {
        const sheetprep::mesh m = sheetprep::read_mesh(script, std::nullopt, limits);
        if (static_cast<std::int64_t>(m.triangles.size()) > limits.max_elements)
            sheet_fuzz::finding("more triangles than max_elements",
                                std::to_string(m.triangles.size()));
    } catch (const sheet::failure& failure) {
        sheet_fuzz::check_report(failure);
        // gmsh's Exit ends its process with status 0 and no result: a command past the guard.
        if (std::string_view(failure.what()).find("without a result (exit status 0)") !=
            std::string_view::npos)
            sheet_fuzz::finding("gmsh ended its process as Exit does", failure.what());
    }
    fs::current_path(here);
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename() != "fuzz.geo")
            sheet_fuzz::finding("a file written past the guard", entry.path().string());
    return 0;
}
