// Reading input.txt: the shared sections, with the incompressible laws' constants.
#include <cmath>

#include "melvar/program.hpp"
#include "sheet/input/pressures.hpp"
#include "sheet/input/sections.hpp"

namespace melvar {

namespace {

// lock^power rounded once to double precision: the product is carried as an unevaluated sum
// hi + lo of two doubles, exact to about 2^-104, and rounded at the end.
double power_rounded_once(double lock, int power) {
    double hi = 1.0, lo = 0.0;
    for (int i = 0; i < power; ++i) {
        const double product = hi * lock;
        const double error = std::fma(hi, lock, -product) + lo * lock;
        hi = product + error;
        lo = error - (hi - product);
    }
    return hi + lo;
}

law read_law(sheet::scanner& in, std::int32_t number) {
    switch (number) {
        case 1: {
            neo_hookean l;
            l.shear = in.read_real({"the neo-Hookean shear modulus"});
            return l;
        }
        case 2: {
            mooney_rivlin l;
            l.c10 = in.read_real({"the Mooney-Rivlin constant c10"});
            l.c01 = in.read_real({"the Mooney-Rivlin constant c01"});
            return l;
        }
        case 3: {
            arruda_boyce l;
            l.shear = in.read_real({"the Arruda-Boyce shear modulus"});
            l.lock = in.read_real({"the Arruda-Boyce locking stretch"});
            // A locking stretch is a positive length ratio; 0.0 would divide the series by zero.
            if (!(l.lock > 0.0))
                in.fail_at_number("invalid value",
                                  "expected the Arruda-Boyce locking stretch, a number above 0.0");
            const std::array<double, 5> c = boyce_coefficients(l.lock);
            for (int i = 0; i < 5; ++i) l.coefficient[i] = c[i];
            return l;
        }
        default:
            throw sheet::undefined_law(number);
    }
}

}  // namespace

std::array<double, 5> boyce_coefficients(double lock) {
    const double l2 = lock * lock;
    const double l4 = l2 * l2;
    const double l6 = power_rounded_once(lock, 6);
    const double l8 = power_rounded_once(lock, 8);
    return {0.5,
            0.05 / l2,                    // 1/20
            0.010476190476190476 / l4,    // 11/1050
            0.0027142857142857142 / l6,   // 19/7000
            0.0007703153988868275 / l8};  // 519/673750
}

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

}  // namespace melvar
