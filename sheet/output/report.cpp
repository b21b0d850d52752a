// The results report.
#include "sheet/output/report.hpp"

#include <cmath>
#include <string>

#include "sheet/assembly/in_order.hpp"
#include "sheet/failure.hpp"
#include "sheet/output/finite.hpp"
#include "sheet/output/format.hpp"
#include "sheet/output/lines.hpp"
#include "sheet/output/text_file.hpp"

namespace sheet {

namespace {

void line(text_file& out, std::string_view text) {
    out.put(text);
    out.end_line();
}

void rule(text_file& out, int width) {
    out.putchar('-', width);
    out.end_line();
}

void header_box(text_file& out, const model& m) {
    rule(out, 65);
    out.put("| Minor Iterations                            | ");
    out.integer(m.results.minor, 15);
    out.put(" |");
    out.end_line();
    out.put("| Total Potential Energy                      | ");
    out.real(m.results.energy, 8);
    out.put(" |");
    out.end_line();
    out.put("| Allowable Maximum Residue                   | ");
    out.real(m.results.tolerance, 8);
    out.put(" |");
    out.end_line();
    rule(out, 65);
    out.end_line();
    out.end_line();
}

void node_table(text_file& out, const model& m) {
    rule(out, 65);
    line(out, " Node             Displ X             Displ Y             Displ Z");
    rule(out, 65);
    put_lines(out, static_cast<std::size_t>(m.problem.mesh.node_count),
              [&](std::size_t at, std::string& text) {
                  const auto i = static_cast<std::int32_t>(at) + 1;
                  put_integer(text, i, 5);
                  for (std::int32_t j = 1; j <= 3; ++j) {
                      text.append(5, ' ');
                      put_real(text, m.results.displacements(i, j), 8);
                  }
              });
    out.end_line();
    out.end_line();
}

void element_table(text_file& out, const model& m, bool thickness_column) {
    const int width = thickness_column ? 59 : 41;
    rule(out, width);
    line(out, thickness_column ? " Elem         Thickness            Sigma1            Sigma2"
                               : " Elem            Sigma1            Sigma2");
    rule(out, width);
    double sigma_max = -1.0E+20;
    double sigma_min = 1.0E+20;
    // Each element's line is formatted on any thread; the extremes and the lines are taken up
    // here in element order.
    const std::vector<element_row>& rows = m.results.rows;
    const std::int32_t first = m.problem.mesh.elements.first();
    const auto format = [&](std::size_t at, std::string& text) {
        const element_row& row = rows[at];
        text.clear();
        put_integer(text, first + static_cast<std::int32_t>(at), 5);
        if (thickness_column) {
            text.append(5, ' ');
            put_real(text, row.thickness, 6);
        }
        text.append(5, ' ');
        put_real(text, row.stress.sigma1, 6);
        text.append(5, ' ');
        put_real(text, row.stress.sigma2, 6);
    };
    const auto take_up = [&](std::size_t at, const std::string& text) {
        const element_row& row = rows[at];
        if (row.stress.sigma1 > sigma_max) sigma_max = row.stress.sigma1;
        if (row.stress.sigma2 < sigma_min) sigma_min = row.stress.sigma2;
        out.put(text);
        out.end_line();
    };
    for_each_in_order<std::string>(rows.size(), format, take_up);
    rule(out, width);
    out.put("Max/Min");
    out.putchar(' ', thickness_column ? 21 : 3);
    out.real(sigma_max, 6);
    out.putchar(' ', 5);
    out.real(sigma_min, 6);
    out.end_line();
    out.end_line();
    out.end_line();
}

void force_table(text_file& out, const model& m) {
    rule(out, 59);
    line(out, " Node           Force X           Force Y           Force Z");
    rule(out, 59);
    const terms::real_matrix& reactions = m.results.reactions;
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i) {
        bool reported[3];
        int last = 0;
        for (std::int32_t j = 1; j <= 3; ++j) {
            reported[j - 1] =
                is_prescribed(m, i, j) && std::fabs(reactions(i, j)) > m.results.tolerance;
            if (reported[j - 1]) last = j;
        }
        if (last == 0) continue;
        out.integer(i, 5);
        for (std::int32_t j = 1; j <= last; ++j) {
            if (reported[j - 1]) {
                out.putchar(' ', 5);
                out.real(reactions(i, j), 6);
            } else {
                out.putchar(' ', 18);
            }
        }
        out.end_line();
    }
}

const char* control_word(chamber_control c) {
    switch (c) {
        case chamber_control::pressure:
            return "pressure";
        case chamber_control::volume:
            return "volume";
        case chamber_control::gas:
            return "gas";
    }
    return "";
}

// The chambers' volumes and pressures, after two empty lines; only a problem with chambers has
// the table.
void chamber_table(text_file& out, const model& m) {
    if (m.results.chambers.empty()) return;
    out.end_line();
    out.end_line();
    rule(out, 56);
    line(out, " Chamber     Control            Volume          Pressure");
    rule(out, 56);
    for (const chamber_reading& c : m.results.chambers) {
        out.integer(c.number, 8);
        const std::string_view word = control_word(c.control);
        out.putchar(' ', 12 - static_cast<int>(word.size()));
        out.put(word);
        out.putchar(' ', 5);
        out.real(c.volume, 6);
        out.putchar(' ', 5);
        out.real(c.pressure, 6);
        out.end_line();
    }
}

}  // namespace

void output(const model& m, bool thickness_column, std::string_view note) {
    if (m.results.rows.size() != m.problem.mesh.elements.size())
        throw failure("cannot create output.txt: the element rows do not match the mesh");
    require_finite_report(m, thickness_column);
    text_file out("output.txt");
    header_box(out, m);
    node_table(out, m);
    element_table(out, m, thickness_column);
    force_table(out, m);
    chamber_table(out, m);
    if (!note.empty()) {
        out.end_line();
        line(out, note);
    }
    out.commit();
}

}  // namespace sheet
