// Reading input.txt: the shared sections, with the compressible laws' constants.
#include "sheet/input/sections.hpp"

#include "dorvan/model.hpp"

namespace dorvan {

void input(model& m) {
    sheet::scanner in = sheet::scanner::open("input.txt");
    input(m, in);
}

void input(model& m, sheet::scanner& in) {
    sheet::read_settings(in, m);
    sheet::read_sheet(in, m);
    if (m.material == 1) {
        m.neo_shear = in.read_real({"the neo-Hookean shear modulus"});
        m.neo_bulk = in.read_real({"the neo-Hookean bulk modulus"});
    } else if (m.material == 2) {
        m.mooney_c10 = in.read_real({"the Mooney-Rivlin constant c10"});
        m.mooney_c01 = in.read_real({"the Mooney-Rivlin constant c01"});
        m.mooney_bulk = in.read_real({"the Mooney-Rivlin bulk modulus"});
    }
    in.discard_rest_of_line();
    sheet::read_mesh(in, m);
}

}  // namespace dorvan
