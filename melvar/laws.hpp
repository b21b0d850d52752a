// The incompressible material laws: each law's constants as input.txt gives them, its descriptor,
// its energy density with the derivatives by the invariants (a template over the number type),
// its small-strain shear modulus and its deck table, closed by a written zero: the value by which
// the table marks a fully incompressible material.
#pragma once

#include <array>
#include <variant>

#include "sheet/model/law.hpp"
#include "sheet/model/relaxed_law.hpp"

namespace melvar {

// The energy density W and its derivatives by i1 = trace C and trace_c2 = trace C^2.
template <class T>
struct density_terms {
    T w, w1, w2;
};

// W = mu i1 / 2.
struct neo_hookean {
    double shear = 0.0;  // mu
    static const sheet::law_descriptor<neo_hookean> descriptor;
    static constexpr bool uses_trace_c2 = false;  // whether w2 can be other than 0

    template <class T>
    density_terms<T> density(T i1, T trace_c2) const {
        (void)trace_c2;
        const double mu = shear;
        return {0.5 * mu * i1, 0.5 * mu, 0.0};
    }
    double small_strain_shear() const { return shear; }
    sheet::deck_table deck() const { return {"TB, HYPER, 1, , , NEO", {shear, 0.0}}; }
};

// W = c10 i1 + c01 (i1^2 - trace_c2) / 2.
struct mooney_rivlin {
    double c10 = 0.0;
    double c01 = 0.0;
    static const sheet::law_descriptor<mooney_rivlin> descriptor;
    static constexpr bool uses_trace_c2 = true;

    template <class T>
    density_terms<T> density(T i1, T trace_c2) const {
        return {c10 * i1 + 0.5 * c01 * (i1 * i1 - trace_c2), c10 + c01 * i1, -0.5 * c01};
    }
    double small_strain_shear() const { return 2.0 * (c10 + c01); }
    sheet::deck_table deck() const { return {"TB, HYPER, 1, , , MOONEY", {c10, c01, 0.0}}; }
};

// Arruda-Boyce series coefficients c1..c5 for the locking stretch lock.
std::array<double, 5> boyce_coefficients(double lock);

// W = mu (c1 i1 + c2 i1^2 + c3 i1^3 + c4 i1^4 + c5 i1^5), the series coefficients derived from
// the locking stretch L once it is read; the series runs by Horner's scheme from its highest
// coefficient.
struct arruda_boyce {
    double shear = 0.0;                                 // mu
    double lock = 0.0;                                  // L
    double coefficient[5] = {0.0, 0.0, 0.0, 0.0, 0.0};  // c1..c5
    static const sheet::law_descriptor<arruda_boyce> descriptor;
    static constexpr bool uses_trace_c2 = false;

    // The coefficients from the locking stretch.
    void derive() {
        const std::array<double, 5> c = boyce_coefficients(lock);
        for (int i = 0; i < 5; ++i) coefficient[i] = c[i];
    }
    template <class T>
    density_terms<T> density(T i1, T trace_c2) const {
        (void)trace_c2;
        const double mu = shear;
        const double c1 = coefficient[0], c2 = coefficient[1], c3 = coefficient[2],
                     c4 = coefficient[3], c5 = coefficient[4];
        const T w = mu * (((((c5 * i1 + c4) * i1 + c3) * i1 + c2) * i1 + c1) * i1);
        const T w1 =
            mu * ((((5.0 * c5 * i1 + 4.0 * c4) * i1 + 3.0 * c3) * i1 + 2.0 * c2) * i1 + c1);
        return {w, w1, 0.0};
    }
    double small_strain_shear() const { return shear; }
    sheet::deck_table deck() const { return {"TB, HYPER, , , , BOYCE", {shear, lock, 0.0}}; }
};

// The laws as input.txt numbers them: a law's number is its place here plus one.
using plain_law = std::variant<neo_hookean, mooney_rivlin, arruda_boyce>;
// The law of a run: a plain law, or one relaxed by the membrane section.
using law = sheet::with_relaxed_t<plain_law>;

namespace detail {

// A locking stretch is a positive length ratio (0.0 would divide the series by zero), and has a
// meaning above 1 only.
inline bool lock_beyond_one(const arruda_boyce& l) {
    return l.lock > 1.0;
}

}  // namespace detail

inline const sheet::law_descriptor<neo_hookean> neo_hookean::descriptor{
    1,
    "neo-hookean",
    "neo-Hookean",
    {{"shear", "the neo-Hookean shear modulus", &neo_hookean::shear, nullptr, "",
      sheet::positive<neo_hookean, &neo_hookean::shear>, sheet::refusal::shear}}};

inline const sheet::law_descriptor<mooney_rivlin> mooney_rivlin::descriptor{
    2,
    "mooney-rivlin",
    "Mooney-Rivlin",
    {{"c10", "the Mooney-Rivlin constant c10", &mooney_rivlin::c10},
     {"c01", "the Mooney-Rivlin constant c01", &mooney_rivlin::c01, nullptr, "",
      sheet::positive_sum<mooney_rivlin, &mooney_rivlin::c10, &mooney_rivlin::c01>,
      sheet::refusal::c10_c01}}};

inline const sheet::law_descriptor<arruda_boyce> arruda_boyce::descriptor{
    3,
    "arruda-boyce",
    "Arruda-Boyce",
    {{"shear", "the Arruda-Boyce shear modulus", &arruda_boyce::shear, nullptr, "",
      sheet::positive<arruda_boyce, &arruda_boyce::shear>, sheet::refusal::shear},
     {"locking_stretch", "the Arruda-Boyce locking stretch", &arruda_boyce::lock,
      sheet::positive<arruda_boyce, &arruda_boyce::lock>, "a number above 0.0",
      detail::lock_beyond_one,
      "'locking_stretch' must be above 1 (the chains would be locked before the sheet "
      "stretches)"}}};

}  // namespace melvar
