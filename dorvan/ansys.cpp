// The deck's compressible material table: the last constant is 2 / bulk modulus.
#include "sheet/output/ansys.hpp"

#include "dorvan/program.hpp"

namespace dorvan {

namespace {

void material_table(sheet::text_file& out, const neo_hookean& law) {
    out.put("TB, HYPER, 1, , , NEO");
    out.end_line();
    sheet::tbdata(out, 1, law.shear);
    sheet::tbdata(out, 2, 2.0 / law.bulk);
}

void material_table(sheet::text_file& out, const mooney_rivlin& law) {
    out.put("TB, HYPER, 1, , , MOONEY");
    out.end_line();
    sheet::tbdata(out, 1, law.c10);
    sheet::tbdata(out, 2, law.c01);
    sheet::tbdata(out, 3, 2.0 / law.bulk);
}

}  // namespace

void ansys(const model& m) {
    sheet::ansys(m, [&m](sheet::text_file& out) {
        std::visit([&out](const auto& law) { material_table(out, law); }, m.law);
    });
}

}  // namespace dorvan
