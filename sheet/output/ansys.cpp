// The APDL deck: nodes, material table, element type, thickness, triangles as degenerate
// quadrilaterals, supports, forces (and a note of the follower pressures and chambers it leaves
// out) and the large-deflection solution settings.
#include "sheet/output/ansys.hpp"

#include <string>
#include <string_view>

#include "sheet/output/format.hpp"
#include "sheet/output/lines.hpp"

namespace sheet {

namespace {

void lines(text_file& out, std::initializer_list<std::string_view> texts) {
    for (const std::string_view text : texts) {
        out.put(text);
        out.end_line();
    }
}

// "<command>, <node>, <label>, <value>" for components 1 and 2 of every node that qualifies.
template <class Qualifies, class Value>
void node_values(text_file& out, const model& m, std::string_view command,
                 const std::string_view (&labels)[2], Qualifies qualifies, Value value) {
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i) {
        for (std::int32_t j = 1; j <= 2; ++j) {
            if (!qualifies(i, j)) continue;
            out.put(command);
            out.integer(i, 5);
            out.put(labels[j - 1]);
            out.real(value(i, j), 6);
            out.end_line();
        }
    }
}

}  // namespace

void tbdata(text_file& out, int index, double value) {
    out.put("TBDATA, ");
    out.integer(index, 0);
    out.put(", ");
    out.real(value, 6);
    out.end_line();
}

void ansys(const model& m, const deck_table& table) {
    const mesh& mesh = m.problem.mesh;
    text_file out("ansys.txt");
    lines(out, {"", "! ENTER THE MODEL CREATION PREPROCESSOR", "/PREP7", "", "! DEFINE NODES"});
    put_lines(out, static_cast<std::size_t>(mesh.node_count),
              [&](std::size_t at, std::string& text) {
                  const auto i = static_cast<std::int32_t>(at) + 1;
                  text.append("N, ");
                  put_integer(text, i, 5);
                  text.append(", ");
                  put_real(text, mesh.node_x(i), 6);
                  text.append(", ");
                  put_real(text, mesh.node_y(i), 6);
              });
    lines(out, {"", "! ACTIVATE DATA TABLE"});
    lines(out, {table.header});
    for (std::size_t k = 0; k < table.data.size(); ++k)
        tbdata(out, static_cast<int>(k) + 1, table.data[k]);
    lines(out, {"", "! DEFINE ELEMENT TYPE", "! FULL INTEGRATION WITH B-BAR METHOD",
                "! PLANE STRESS WITH THICKNESS INPUT", "ET, 1, PLANE182, 0, , 3", "",
                "! DEFINE REAL CONSTANTS SET"});
    out.put("R,     1, ");
    out.real(m.problem.thickness, 6);
    out.end_line();
    lines(out, {"", "! DEFINE ELEMENTS"});
    put_lines(out, mesh.elements.size(), [&](std::size_t at, std::string& text) {
        const std::int32_t e = mesh.elements.first() + static_cast<std::int32_t>(at);
        const triangle& r = mesh.elements(e);
        text.append("EN, ");
        put_integer(text, e, 5);
        for (const std::int32_t corner : {r.node[0], r.node[1], r.node[2], r.node[2]}) {
            text.append(", ");
            put_integer(text, corner, 5);
        }
    });
    lines(out, {"", "FINISH", "", "! ENTER THE SOLUTION PROCESSOR", "/SOLU", "",
                "! STATIC ANALYSIS", "ANTYPE, STATIC, NEW", "", "! DEFINE CONSTRAINTS"});
    node_values(
        out, m, "D, ", {", UX, ", ", UY, "},
        [&](std::int32_t i, std::int32_t j) { return is_prescribed(m, i, j); },
        [&](std::int32_t i, std::int32_t j) { return m.problem.supports.prescribed(i, j); });
    lines(out, {"", "! DELETE FORCE LOADS ON NODES", "FDELE, ALL, ALL", "", "! SPECIFY FORCES"});
    node_values(
        out, m, "F, ", {", FX, ", ", FY, "},
        [&](std::int32_t i, std::int32_t j) { return m.problem.loads(i, j) != 0.0; },
        [&](std::int32_t i, std::int32_t j) { return m.problem.loads(i, j); });
    if (!m.problem.pressures.empty()) {
        // PLANE182 takes no surface load: the pressures stay with the solvers.
        const std::string note =
            "! " + std::to_string(m.problem.pressures.size()) +
            " TRIANGLES CARRY FOLLOWER PRESSURE THAT THIS DECK DOES NOT EXPRESS";
        lines(out, {"", note});
    }
    if (!m.problem.chambers.empty()) {
        // Nor does it express a chamber's pressure, volume or gas.
        std::size_t triangles = 0;
        for (const chamber& c : m.problem.chambers) triangles += c.elements.size();
        const std::size_t count = m.problem.chambers.size();
        const std::string note =
            "! " + std::to_string(count) + (count == 1 ? " CHAMBER OF " : " CHAMBERS OF ") +
            std::to_string(triangles) + " TRIANGLES THAT THIS DECK DOES NOT EXPRESS";
        lines(out, {"", note});
    }
    lines(out, {"", "! INCLUDE LARGE DEFORMATION EFFECTS", "NLGEOM, ON", "",
                "! SPECIFY NUMBER OF SUBSTEPS"});
    out.put("NSUBST, ");
    out.integer(10, 5);
    out.end_line();
    lines(out, {"", "! SPECIFY MAXIMUM NUMBER OF EQUILIBRIUM ITERATIONS"});
    out.put("NEQIT, ");
    out.integer(25, 5);
    out.end_line();
    lines(out, {"", "! SET CONVERGENCE VALUES"});
    out.put("CNVTOL, F, 1.0, ");
    out.real(m.results.tolerance, 6);
    out.put(", 0");
    out.end_line();
    lines(out, {"", "! SPECIFY NEWTON-RAPHSON OPTIONS", "NROPT, FULL, , OFF", "",
                "! SPECIFY TYPE OF EQUATION SOLVER", "EQSLV, FRONT", "", "FINISH"});
    out.commit();
}

}  // namespace sheet
