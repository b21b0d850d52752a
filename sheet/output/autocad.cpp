// The CAD script. A line end or a blank acts as Enter at the command line, hence the trailing
// blanks of the layer lines and the empty lines that end vertex lists, faces and commands.
#include "sheet/output/autocad.hpp"

#include <cmath>
#include <string>

#include "sheet/output/finite.hpp"
#include "sheet/output/format.hpp"
#include "sheet/output/lines.hpp"
#include "sheet/output/text_file.hpp"

namespace sheet {

namespace {

// Each node's point, "x,y,z", as position(i) gives it.
template <class Position>
void points(text_file& out, const mesh& m, Position&& position) {
    put_lines(out, static_cast<std::size_t>(m.node_count), [&](std::size_t at, std::string& text) {
        const std::array<double, 3> p = position(static_cast<std::int32_t>(at) + 1);
        put_coordinate(text, p[0]);
        text.append(",");
        put_coordinate(text, p[1]);
        text.append(",");
        put_coordinate(text, p[2]);
    });
    out.end_line();
}

void faces(text_file& out, const mesh& m) {
    put_lines(out, m.elements.size(), [&](std::size_t at, std::string& text) {
        const triangle& r = m.elements(m.elements.first() + static_cast<std::int32_t>(at));
        put_integer(text, r.node[0], 0);
        text.append(" ");
        put_integer(text, r.node[1], 0);
        text.append(" ");
        put_integer(text, r.node[2], 0);
        text.append("\r\n");  // the empty line that ends the face
    });
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
    points(out, mesh, [&](std::int32_t i) {
        return std::array<double, 3>{mesh.node_x(i), mesh.node_y(i), mesh.node_z(i)};
    });
    faces(out, mesh);
    out.put("layer make Final_2 ");
    out.end_line();
    out.put("pface");
    out.end_line();
    points(out, mesh, [&](std::int32_t i) { return vertex(m, i); });
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
