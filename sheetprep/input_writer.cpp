// The text of input.txt. Free text stands only where the solvers' reader skips it: before a
// header line, and on the heading line after a count.
#include "sheetprep/input_writer.hpp"

#include "sheet/output/text_file.hpp"
#include "sheetprep/laws.hpp"
#include "sheetprep/real_text.hpp"

namespace sheetprep {

namespace {

void put_components(std::string& out, const char* header, const char* value_heading,
                    const std::vector<component_value>& lines) {
    out += header;
    out += '\n' + std::to_string(lines.size()) + '\n';
    if (lines.empty()) return;  // a count of 0 is followed by no heading line
    out += std::string("  node dir ") + value_heading + '\n';
    for (const component_value& line : lines)
        out += std::to_string(line.node + 1) + ' ' + std::to_string(line.direction + 1) + ' ' +
               real_text(line.value) + '\n';
}

}  // namespace

std::string input_text(const sheet_input& in) {
    const mesh& m = *in.sheet;
    const settings& s = in.solver;
    std::string out = in.title + '\n' + in.origin + '\n';
    out +=
        ": settings  search_factor search_limit tolerance_factor reference_force "
        "max_iterations memory_size\n";
    out += real_text(s.search_factor) + ' ' + std::to_string(s.search_limit) + ' ' +
           real_text(s.tolerance_factor) + ' ' + real_text(s.reference_force) + ' ' +
           std::to_string(s.max_iterations) + ' ' + std::to_string(s.memory_size) + '\n';
    out += std::string(": sheet  thickness material constants (") +
           laws_of(in.program).at(static_cast<std::size_t>(in.law.number - 1)).heading + ")\n";
    out += real_text(in.thickness) + ' ' + std::to_string(in.law.number);
    for (const double constant : in.law.constants) out += ' ' + real_text(constant);
    out += '\n';

    out += ": nodes\n" + std::to_string(m.nodes.size()) + "\n  node  x  y  z\n";
    for (std::size_t k = 0; k < m.nodes.size(); ++k)
        out += std::to_string(k + 1) + ' ' + real_text(m.nodes[k][0]) + ' ' +
               real_text(m.nodes[k][1]) + ' ' + real_text(m.nodes[k][2]) + '\n';
    out += ": elements\n" + std::to_string(m.triangles.size()) + "\n  element N1 N2 N3\n";
    for (std::size_t e = 0; e < m.triangles.size(); ++e)
        out += std::to_string(e + 1) + ' ' + std::to_string(m.triangles[e][0] + 1) + ' ' +
               std::to_string(m.triangles[e][1] + 1) + ' ' + std::to_string(m.triangles[e][2] + 1) +
               '\n';
    put_components(out, ": prescribed displacements", "value", in.supports);
    put_components(out, ": loads", "force", in.loads);
    if (!in.pressures.empty()) {  // the optional section; a file without it reads as before
        out += ": pressures\n" + std::to_string(in.pressures.size()) + "\n  element pressure\n";
        for (const triangle_pressure& p : in.pressures)
            out += std::to_string(p.triangle + 1) + ' ' + real_text(p.value) + '\n';
    }
    if (!in.chambers.empty()) {  // the same: the section is left out when there are none
        out += ": chambers\n" + std::to_string(in.chambers.size()) +
               "\n  chamber control values elements\n";
        for (std::size_t c = 0; c < in.chambers.size(); ++c) {
            const chamber_input& chamber = in.chambers[c];
            out += std::to_string(c + 1) + ' ' + chamber.control;
            for (const double value : chamber.values) out += ' ' + real_text(value);
            out += ' ' + std::to_string(chamber.triangles.size()) + '\n';
            // the elements ten to a line
            for (std::size_t k = 0; k < chamber.triangles.size(); ++k)
                out += std::to_string(chamber.triangles[k] + 1) +
                       (k % 10 == 9 || k + 1 == chamber.triangles.size() ? '\n' : ' ');
        }
    }
    return out;
}

void write_input(const sheet_input& in, const std::string& file) {
    sheet::text_file out(file);
    out.put(input_text(in));
    out.commit();
}

}  // namespace sheetprep
