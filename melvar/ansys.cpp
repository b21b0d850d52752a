// The deck's incompressible material table, each closed by a written zero: the value by which
// the table marks a fully incompressible material.
#include "sheet/output/ansys.hpp"

#include "melvar/program.hpp"

namespace melvar {

namespace {

void line(sheet::text_file& out, std::string_view text) {
    out.put(text);
    out.end_line();
}

void material_table(sheet::text_file& out, const neo_hookean& law) {
    line(out, "TB, HYPER, 1, , , NEO");
    sheet::tbdata(out, 1, law.shear);
    line(out, "TBDATA, 2,  0.000000E+00");
}

void material_table(sheet::text_file& out, const mooney_rivlin& law) {
    line(out, "TB, HYPER, 1, , , MOONEY");
    sheet::tbdata(out, 1, law.c10);
    sheet::tbdata(out, 2, law.c01);
    line(out, "TBDATA, 3,  0.000000E+00");
}

void material_table(sheet::text_file& out, const arruda_boyce& law) {
    line(out, "TB, HYPER, , , , BOYCE");
    sheet::tbdata(out, 1, law.shear);
    sheet::tbdata(out, 2, law.lock);
    line(out, "TBDATA, 3,  0.000000E+00");
}

}  // namespace

void ansys(const model& m) {
    sheet::ansys(m, [&m](sheet::text_file& out) {
        std::visit([&out](const auto& law) { material_table(out, law); }, m.law);
    });
}

}  // namespace melvar
