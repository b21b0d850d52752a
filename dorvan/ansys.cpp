// The deck's compressible material table: the last constant is 2 / bulk modulus.
#include "sheet/output/ansys.hpp"

#include "dorvan/model.hpp"

namespace dorvan {

void ansys(const model& m) {
    sheet::ansys(m, [&m](sheet::text_file& out) {
        if (m.material == 1) {
            out.put("TB, HYPER, 1, , , NEO");
            out.end_line();
            sheet::tbdata(out, 1, m.neo_shear);
            sheet::tbdata(out, 2, 2.0 / m.neo_bulk);
        } else if (m.material == 2) {
            out.put("TB, HYPER, 1, , , MOONEY");
            out.end_line();
            sheet::tbdata(out, 1, m.mooney_c10);
            sheet::tbdata(out, 2, m.mooney_c01);
            sheet::tbdata(out, 3, 2.0 / m.mooney_bulk);
        }
    });
}

}  // namespace dorvan
