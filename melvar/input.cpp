// Reading input.txt: the shared sections, with the incompressible laws' constants.
#include "sheet/input/sections.hpp"

#include <cmath>

#include "melvar/model.hpp"

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

}  // namespace

terms::fmat1 boyce_coefficients(double lock) {
    const double l2 = lock * lock;
    const double l4 = l2 * l2;
    const double l6 = power_rounded_once(lock, 6);
    const double l8 = power_rounded_once(lock, 8);
    terms::fmat1 c(1, 5);
    c(1) = 0.5;
    c(2) = 0.05 / l2;                   // 1/20
    c(3) = 0.010476190476190476 / l4;   // 11/1050
    c(4) = 0.0027142857142857142 / l6;  // 19/7000
    c(5) = 0.0007703153988868275 / l8;  // 519/673750
    return c;
}

void input(model& m) {
    sheet::scanner in = sheet::scanner::open("input.txt");
    input(m, in);
}

void input(model& m, sheet::scanner& in) {
    sheet::read_settings(in, m);
    sheet::read_sheet(in, m);
    if (m.material == 1) {
        m.neo_shear = in.read_real({"the neo-Hookean shear modulus"});
    } else if (m.material == 2) {
        m.mooney_c10 = in.read_real({"the Mooney-Rivlin constant c10"});
        m.mooney_c01 = in.read_real({"the Mooney-Rivlin constant c01"});
    } else if (m.material == 3) {
        m.boyce_shear = in.read_real({"the Arruda-Boyce shear modulus"});
        m.boyce_lock = in.read_real({"the Arruda-Boyce locking stretch"});
        // A locking stretch is a positive length ratio; 0.0 would divide the series by zero.
        if (!(m.boyce_lock > 0.0))
            in.fail_at_number("invalid value",
                              "expected the Arruda-Boyce locking stretch, a number above 0.0");
        m.boyce_coef = boyce_coefficients(m.boyce_lock);
    }
    in.discard_rest_of_line();
    sheet::read_mesh(in, m);
}

}  // namespace melvar
