// The compressible material laws: each law's constants as input.txt gives them, its descriptor,
// its energy density with the derivatives by the invariants (a template over the number type),
// its small-strain shear modulus and its deck table.
#pragma once

#include <variant>

#include "sheet/mechanics/number.hpp"
#include "sheet/model/law.hpp"
#include "sheet/model/relaxed_law.hpp"

namespace dorvan {

using sheet::power;
using sheet::root;

// The energy density W and its derivatives by i1 = trace C, trace_c2 = trace C^2 and i3 = det C.
template <class T>
struct density_terms {
    T w, w1, w2, w3;
};

// W = mu i1 / (2 U) + kappa (i3 - 2 J) / 2, U = i3^(1/3), J = i3^(1/2).
struct neo_hookean {
    double shear = 0.0;  // mu
    double bulk = 0.0;   // kappa
    static const sheet::law_descriptor<neo_hookean> descriptor;

    template <class T>
    density_terms<T> density(T i1, T trace_c2, T i3) const {
        (void)trace_c2;
        const T j = root(i3);
        const T u = power(i3, 1.0 / 3.0);
        const double mu = shear;
        const double kappa = bulk;
        return {0.5 * (mu * i1 / u + kappa * (i3 - 2.0 * j)), 0.5 * mu / u, 0.0,
                0.5 * (kappa * (1.0 - 1.0 / j) - mu * i1 / (3.0 * u * i3))};
    }
    double small_strain_shear() const { return shear; }
    sheet::deck_table deck() const { return {"TB, HYPER, 1, , , NEO", {shear, 2.0 / bulk}}; }
};

// W = (c10 i1 + c01 (i1^2 - trace_c2) / (2 U)) / U + kappa (i3 - 2 J) / 2.
struct mooney_rivlin {
    double c10 = 0.0;
    double c01 = 0.0;
    double bulk = 0.0;  // kappa
    static const sheet::law_descriptor<mooney_rivlin> descriptor;

    template <class T>
    density_terms<T> density(T i1, T trace_c2, T i3) const {
        const T j = root(i3);
        const T u = power(i3, 1.0 / 3.0);
        const double kappa = bulk;
        const T p = c10 * i1;
        const T q = c01 * (i1 * i1 - trace_c2) / u;
        return {(p + 0.5 * q) / u + 0.5 * kappa * (i3 - 2.0 * j), (c10 + c01 * i1 / u) / u,
                -0.5 * c01 / (u * u), 0.5 * kappa * (1.0 - 1.0 / j) - (p + q) / (3.0 * i3 * u)};
    }
    double small_strain_shear() const { return 2.0 * (c10 + c01); }
    sheet::deck_table deck() const { return {"TB, HYPER, 1, , , MOONEY", {c10, c01, 2.0 / bulk}}; }
};

// The laws as input.txt numbers them: a law's number is its place here plus one.
using plain_law = std::variant<neo_hookean, mooney_rivlin>;
// The law of a run: a plain law, or one relaxed by the membrane section.
using law = sheet::with_relaxed_t<plain_law>;

inline const sheet::law_descriptor<neo_hookean> neo_hookean::descriptor{
    1,
    "neo-hookean",
    "neo-Hookean",
    {{"shear", "the neo-Hookean shear modulus", &neo_hookean::shear, nullptr, "",
      sheet::positive<neo_hookean, &neo_hookean::shear>, sheet::refusal::shear},
     {"bulk", "the neo-Hookean bulk modulus", &neo_hookean::bulk, nullptr, "",
      sheet::positive<neo_hookean, &neo_hookean::bulk>, sheet::refusal::bulk}}};

inline const sheet::law_descriptor<mooney_rivlin> mooney_rivlin::descriptor{
    2,
    "mooney-rivlin",
    "Mooney-Rivlin",
    {{"c10", "the Mooney-Rivlin constant c10", &mooney_rivlin::c10},
     {"c01", "the Mooney-Rivlin constant c01", &mooney_rivlin::c01, nullptr, "",
      sheet::positive_sum<mooney_rivlin, &mooney_rivlin::c10, &mooney_rivlin::c01>,
      sheet::refusal::c10_c01},
     {"bulk", "the Mooney-Rivlin bulk modulus", &mooney_rivlin::bulk, nullptr, "",
      sheet::positive<mooney_rivlin, &mooney_rivlin::bulk>, sheet::refusal::bulk}}};

}  // namespace dorvan
