// Reading input.txt: the shared sections, with the compressible laws' constants.
#include "dorvan/program.hpp"
#include "sheet/input/pressures.hpp"
#include "sheet/input/sections.hpp"

namespace dorvan {

namespace {

law read_law(sheet::scanner& in, std::int32_t number) {
    switch (number) {
        case 1: {
            neo_hookean l;
            l.shear = in.read_real({"the neo-Hookean shear modulus"});
            l.bulk = in.read_real({"the neo-Hookean bulk modulus"});
            return l;
        }
        case 2: {
            mooney_rivlin l;
            l.c10 = in.read_real({"the Mooney-Rivlin constant c10"});
            l.c01 = in.read_real({"the Mooney-Rivlin constant c01"});
            l.bulk = in.read_real({"the Mooney-Rivlin bulk modulus"});
            return l;
        }
        default:
            throw sheet::undefined_law(number);
    }
}

}  // namespace

void input(model& m) {
    sheet::scanner in = sheet::scanner::open("input.txt");
    input(m, in);
}

void input(model& m, sheet::scanner& in) {
    sheet::read_title(in, m.problem);
    sheet::read_settings(in, m.problem.settings);
    m.law = read_law(in, sheet::read_sheet(in, m.problem));
    in.discard_rest_of_line();
    sheet::read_mesh(in, m.problem);
    sheet::read_pressures(in, m.problem);
}

}  // namespace dorvan
