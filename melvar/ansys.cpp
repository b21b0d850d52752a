// The deck's incompressible material table, each closed by a written zero: the value by which
// the table marks a fully incompressible material.
#include "sheet/output/ansys.hpp"

#include "melvar/model.hpp"

namespace melvar {

void ansys(const model& m) {
    sheet::ansys(m, [&m](sheet::text_file& out) {
        const auto line = [&out](std::string_view text) {
            out.put(text);
            out.end_line();
        };
        if (m.material == 1) {
            line("TB, HYPER, 1, , , NEO");
            sheet::tbdata(out, 1, m.neo_shear);
            line("TBDATA, 2,  0.000000E+00");
        } else if (m.material == 2) {
            line("TB, HYPER, 1, , , MOONEY");
            sheet::tbdata(out, 1, m.mooney_c10);
            sheet::tbdata(out, 2, m.mooney_c01);
            line("TBDATA, 3,  0.000000E+00");
        } else if (m.material == 3) {
            line("TB, HYPER, , , , BOYCE");
            sheet::tbdata(out, 1, m.boyce_shear);
            sheet::tbdata(out, 2, m.boyce_lock);
            line("TBDATA, 3,  0.000000E+00");
        }
    });
}

}  // namespace melvar
