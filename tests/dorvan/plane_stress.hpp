// Closed-form homogeneous states of the compressible laws, derived here from the textbook energy
// W = c10 I1bar + c01 I2bar + kappa (J^2 - 2J) / 2 in the principal stretches (neo-Hookean:
// c10 = mu / 2, c01 = 0), and the scalar root finds for plane stress and uniaxial tension.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <vector>

namespace dorvan_tests {

struct compressible_law {
    std::int32_t material;  // 1 neo-Hookean, 2 Mooney-Rivlin, as in input.txt
    double c10, c01, kappa;

    static compressible_law neo_hookean(double mu, double kappa) {
        return {1, 0.5 * mu, 0.0, kappa};
    }
    static compressible_law mooney_rivlin(double c10, double c01, double kappa) {
        return {2, c10, c01, kappa};
    }
    // The constants as the material line of input.txt lists them.
    std::vector<double> input_constants() const {
        if (material == 1) return {2.0 * c10, kappa};
        return {c10, c01, kappa};
    }
};

inline void PrintTo(const compressible_law& law, std::ostream* out) {
    *out << "material " << law.material << " (c10 " << law.c10 << ", c01 " << law.c01 << ", kappa "
         << law.kappa << ")";
}

using stretches = std::array<double, 3>;

// Energy density per unit initial volume, without constant offsets (the program's form).
inline double energy_density(const compressible_law& law, const stretches& l) {
    const double c1 = l[0] * l[0], c2 = l[1] * l[1], c3 = l[2] * l[2];
    const double j = l[0] * l[1] * l[2];
    const double i1 = c1 + c2 + c3;
    const double i2 = c1 * c2 + c2 * c3 + c3 * c1;
    return law.c10 * i1 * std::pow(j, -2.0 / 3.0) + law.c01 * i2 * std::pow(j, -4.0 / 3.0) +
           0.5 * law.kappa * (j * j - 2.0 * j);
}

// dW/dc_k with c_k = lambda_k^2, the principal values of C.
inline std::array<double, 3> energy_slopes(const compressible_law& law, const stretches& l) {
    const double c[3] = {l[0] * l[0], l[1] * l[1], l[2] * l[2]};
    const double j = l[0] * l[1] * l[2];
    const double i1 = c[0] + c[1] + c[2];
    const double i2 = c[0] * c[1] + c[1] * c[2] + c[2] * c[0];
    std::array<double, 3> slope{};
    for (int k = 0; k < 3; ++k) {
        // dJ/dc_k = J / (2 c_k)
        const double d_i1bar = std::pow(j, -2.0 / 3.0) * (1.0 - i1 / (3.0 * c[k]));
        const double d_i2bar = std::pow(j, -4.0 / 3.0) * ((i1 - c[k]) - 2.0 * i2 / (3.0 * c[k]));
        const double d_volume = law.kappa * (j - 1.0) * j / (2.0 * c[k]);
        slope[k] = law.c10 * d_i1bar + law.c01 * d_i2bar + d_volume;
    }
    return slope;
}

// Principal Cauchy stresses sigma_k = (2 c_k / J) dW/dc_k.
inline std::array<double, 3> cauchy_stresses(const compressible_law& law, const stretches& l) {
    const std::array<double, 3> slope = energy_slopes(law, l);
    const double j = l[0] * l[1] * l[2];
    std::array<double, 3> sigma{};
    for (int k = 0; k < 3; ++k) sigma[k] = 2.0 * (l[k] * l[k]) / j * slope[k];
    return sigma;
}

// Root of an increasing function f on [lo, hi] with f(lo) < 0 < f(hi), to the last bit.
template <class Function>
double bisect(Function&& f, double lo, double hi) {
    for (int step = 0; step < 400; ++step) {
        const double mid = 0.5 * (lo + hi);
        if (mid <= lo || mid >= hi) break;
        if (f(mid) < 0.0)
            lo = mid;
        else
            hi = mid;
    }
    return 0.5 * (lo + hi);
}

// The thickness stretch lambda3 of zero through-thickness stress under in-plane l1, l2.
inline double plane_stress_thickness(const compressible_law& law, double l1, double l2) {
    return bisect([&](double l3) { return cauchy_stresses(law, {l1, l2, l3})[2]; }, 1.0E-3, 1.0E+1);
}

// Uniaxial plane stress of a strip of width b0 and thickness t0 pulled by the nominal force f:
// lambda1 along the force, lambda2 = lambda3 across (zero stress in both transverse directions).
struct uniaxial_state {
    stretches l;
    double sigma1;
};

inline uniaxial_state uniaxial_tension(const compressible_law& law, double f, double t0,
                                       double b0) {
    const auto lateral = [&](double l1) {
        return bisect(
            [&](double l) {
                return cauchy_stresses(law, {l1, l, l})[1];
            },
            1.0E-3, 1.0E+1);
    };
    const auto force = [&](double l1) {
        const double l = lateral(l1);
        return cauchy_stresses(law, {l1, l, l})[0] * (t0 * l) * (b0 * l);
    };
    const double l1 = bisect([&](double l) { return force(l) - f; }, 1.0, 4.0);
    const double l = lateral(l1);
    return {{l1, l, l}, cauchy_stresses(law, {l1, l, l})[0]};
}

}  // namespace dorvan_tests
