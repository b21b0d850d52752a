// The CAD script. A line end or a blank acts as Enter at the command line, hence the trailing
// blanks of the layer lines and the empty lines that end vertex lists, faces and commands.
#include "sheet/output/autocad.hpp"

#include <cmath>
#include <string>

#include "sheet/output/finite.hpp"
#include "sheet/output/text_file.hpp"

namespace sheet {

namespace {

void point(text_file& out, double x, double y, double z) {
    out.coordinate(x);
    out.put(",");
    out.coordinate(y);
    out.put(",");
    out.coordinate(z);
    out.end_line();
}

void faces(text_file& out, const mesh& m) {
    for (std::int32_t e = m.elements.first(); e <= m.elements.last(); ++e) {
        const triangle& r = m.elements(e);
        out.integer(r.node[0], 0);
        out.put(" ");
        out.integer(r.node[1], 0);
        out.put(" ");
        out.integer(r.node[2], 0);
        out.end_line();
        out.end_line();
    }
    out.end_line();
}

}  // namespace

std::array<double, 3> vertex(const model& m, std::int32_t i) {
    const mesh& mesh = m.problem.mesh;
    return {mesh.node_x(i) + m.results.displacements(i, 1),
            mesh.node_y(i) + m.results.displacements(i, 2),
            mesh.node_z(i) + m.results.displacements(i, 3)};
}

void autocad(const model& m) {
    const mesh& mesh = m.problem.mesh;
    // A finite displacement added to a coordinate can still overflow.
    for (std::int32_t i = 1; i <= mesh.node_count; ++i) {
        const auto p = vertex(m, i);
        for (int j = 0; j < 3; ++j)
            if (!std::isfinite(p[j]))
                throw not_finite(
                    "the deformed position of node " + std::to_string(i) + " in " + "XYZ"[j], p[j]);
    }
    text_file out("autocad.scr");
    out.put("osmode 0");
    out.end_line();
    out.put("layer make Initial_2 ");
    out.end_line();
    out.put("pface");
    out.end_line();
    for (std::int32_t i = 1; i <= mesh.node_count; ++i)
        point(out, mesh.node_x(i), mesh.node_y(i), mesh.node_z(i));
    out.end_line();
    faces(out, mesh);
    out.put("layer make Final_2 ");
    out.end_line();
    out.put("pface");
    out.end_line();
    for (std::int32_t i = 1; i <= mesh.node_count; ++i) {
        const auto p = vertex(m, i);
        point(out, p[0], p[1], p[2]);
    }
    out.end_line();
    faces(out, mesh);
    out.put("layer off Initial_2 ");
    out.end_line();
    out.put("layer set 0 ");
    out.end_line();
    out.put("zoom ext ext");
    out.end_line();
    out.commit();
}

}  // namespace sheet
