// The results report.
#include "sheet/output/report.hpp"

#include <cmath>
#include <string>

#include "sheet/output/format.hpp"
#include "sheet/assembly/in_order.hpp"
#include "sheet/output/text_file.hpp"

namespace sheet {

principal_stresses principal(double t, double radicand, double p) {
    const double d = std::sqrt(radicand < 0.0 ? 0.0 : radicand);
    if (t >= 0.0) {
        const double larger = t + d;
        return {larger, larger == 0.0 ? 0.0 : p / larger};
    }
    const double smaller = t - d;
    return {smaller == 0.0 ? 0.0 : p / smaller, smaller};
}

namespace {

void line(text_file& out, std::string_view text) {
    out.put(text);
    out.end_line();
}

void rule(text_file& out, int width) {
    out.putchar('-', width);
    out.end_line();
}

void header_box(text_file& out, const mesh& m) {
    rule(out, 65);
    out.put("| Minor Iterations                            | ");
    out.integer(m.minor, 15);
    out.put(" |");
    out.end_line();
    out.put("| Total Potential Energy                      | ");
    out.real(m.energy, 8);
    out.put(" |");
    out.end_line();
    out.put("| Allowable Maximum Residue                   | ");
    out.real(m.tolerance, 8);
    out.put(" |");
    out.end_line();
    rule(out, 65);
    out.end_line();
    out.end_line();
}

void node_table(text_file& out, const mesh& m) {
    rule(out, 65);
    line(out, " Node             Displ X             Displ Y             Displ Z");
    rule(out, 65);
    for (std::int32_t i = 1; i <= m.node_count; ++i) {
        out.integer(i, 5);
        for (std::int32_t j = 1; j <= 3; ++j) {
            out.putchar(' ', 5);
            out.real(displacement(m, i, j), 8);
        }
        out.end_line();
    }
    out.end_line();
    out.end_line();
}

void element_table(text_file& out, mesh& m, bool thickness_column, const element_rows& rows,
                   std::vector<element_row>* kept) {
    const int width = thickness_column ? 59 : 41;
    rule(out, width);
    line(out, thickness_column ? " Elem         Thickness            Sigma1            Sigma2"
                               : " Elem            Sigma1            Sigma2");
    rule(out, width);
    for (std::int32_t i = 1; i <= m.node_count; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) m.loads(i, j) = -m.loads(i, j);
    double sigma_max = -1.0E+20;
    double sigma_min = 1.0E+20;
    // Each element's row is evaluated and its line formatted on either of two threads; the
    // extremes, the lines and the force sums are taken up here in element order.
    struct row_slot {
        element_forces forces;
        element_row row;
        std::string line;
    };
    const std::int32_t first = m.elements.first();
    const auto evaluate = [&](std::size_t at, row_slot& slot) {
        const auto e = first + static_cast<std::int32_t>(at);
        const element_row row = rows(e, slot.forces);
        slot.row = row;
        slot.line.clear();
        put_integer(slot.line, e, 5);
        if (thickness_column) {
            slot.line.append(5, ' ');
            put_real(slot.line, row.thickness, 6);
        }
        slot.line.append(5, ' ');
        put_real(slot.line, row.stress.sigma1, 6);
        slot.line.append(5, ' ');
        put_real(slot.line, row.stress.sigma2, 6);
    };
    const auto take_up = [&](std::size_t at, const row_slot& slot) {
        if (slot.row.stress.sigma1 > sigma_max) sigma_max = slot.row.stress.sigma1;
        if (slot.row.stress.sigma2 < sigma_min) sigma_min = slot.row.stress.sigma2;
        if (kept) kept->push_back(slot.row);
        out.put(slot.line);
        out.end_line();
        const element& r = m.elements(first + static_cast<std::int32_t>(at));
        for (int l = 0; l < 3; ++l)
            for (std::int32_t j = 1; j <= 3; ++j)
                m.loads(r.node[l], j) = m.loads(r.node[l], j) + slot.forces.row[l][j - 1];
    };
    if (kept) kept->reserve(m.elements.size());
    for_each_in_order<row_slot>(m.elements.size(), evaluate, take_up);
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

void force_table(text_file& out, const mesh& m) {
    rule(out, 59);
    line(out, " Node           Force X           Force Y           Force Z");
    rule(out, 59);
    for (std::int32_t i = 1; i <= m.node_count; ++i) {
        bool reported[3];
        int last = 0;
        for (std::int32_t j = 1; j <= 3; ++j) {
            reported[j - 1] =
                m.dof_map(i, j) > m.free_count && std::fabs(m.loads(i, j)) > m.tolerance;
            if (reported[j - 1]) last = j;
        }
        if (last == 0) continue;
        out.integer(i, 5);
        for (std::int32_t j = 1; j <= last; ++j) {
            if (reported[j - 1]) {
                out.putchar(' ', 5);
                out.real(m.loads(i, j), 6);
            } else {
                out.putchar(' ', 18);
            }
        }
        out.end_line();
    }
}

}  // namespace

void output(mesh& m, bool thickness_column, const element_rows& rows,
            std::vector<element_row>* kept) {
    text_file out("output.txt");
    header_box(out, m);
    node_table(out, m);
    element_table(out, m, thickness_column, rows, kept);
    force_table(out, m);
    out.commit();
}

}  // namespace sheet
