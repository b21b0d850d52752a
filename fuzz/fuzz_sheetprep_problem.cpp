// Fuzz target: any text as sheetprep's problem file, read and checked, then matched to a fixed
// mesh (sheet.msh: two unit squares of four triangles each, the second turned the other way,
// with the groups corner, edge, face, right and sheet = face + right): supports merged, loads
// lumped and the text of input.txt composed.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "fuzz_target.hpp"
#include "sheetprep/gmsh_mesh.hpp"
#include "sheetprep/input_writer.hpp"
#include "sheetprep/preparation.hpp"
#include "sheetprep/problem.hpp"

namespace {

// Read once through gmsh: the mesh is fixed, the problem file is what varies.
const sheetprep::mesh* fixed_mesh = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const sheetprep::mesh sheet = sheetprep::read_mesh(FUZZ_MESH, std::nullopt);
    fixed_mesh = &sheet;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // read_problem stops at a NUL byte before the text reaches the TOML reader.
    if (text.find('\0') != std::string_view::npos) return 0;
    try {
        const sheetprep::problem p = sheetprep::parse_problem(text, "problem.toml");
        const sheetprep::sheet_input in = sheetprep::prepare(p, *fixed_mesh);
        if (sheetprep::input_text(in).empty()) sheet_fuzz::finding("empty input.txt", p.title);
    } catch (const sheet::failure& failure) {
        sheet_fuzz::check_report(failure);
    }
    return 0;
}
