// What a material law says of itself, alike for every law of both programs: its number in
// input.txt, its name in the problem file and its title in headings, and its constants, each with
// the key the problem file and the .vtu give it, the words the reader's messages use, the values
// the reader refuses and the values that have no meaning. A law is a struct of its constants
// that names its descriptor as `static const law_descriptor<Law> descriptor`, defined after it.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace sheet {

template <class Law>
struct law_constant {
    const char* key;    // "shear": the problem file's key and the .vtu's field name
    const char* words;  // "the neo-Hookean shear modulus", as the reader's messages name it
    double Law::*value;
    // Whether the value (set after the constants before it) is one the solvers' reader takes;
    // accepts, what such a value is, for the message of one it does not. Null: every value.
    bool (*accepted)(const Law&) = nullptr;
    const char* accepts = "";
    // Whether the value (set after the constants before it) has a meaning as the problem file
    // states it; refusal, the problem file's message for one that has none. Null: every value.
    bool (*meaningful)(const Law&) = nullptr;
    const char* refusal = "";
};

// Whether the constant Member of law is above 0: the meaning of a modulus.
template <class Law, double Law::*Member>
bool positive(const Law& law) {
    return law.*Member > 0.0;
}

// Whether the constants First + Second of law are above 0: Mooney-Rivlin's c10 + c01, half its
// small-strain shear modulus.
template <class Law, double Law::*First, double Law::*Second>
bool positive_sum(const Law& law) {
    return law.*First + law.*Second > 0.0;
}

// The problem file's words for constants without meaning that several laws share.
namespace refusal {
constexpr const char* shear =
    "'shear' must be above 0 (a shear modulus of 0 or below has no meaning)";
constexpr const char* bulk = "'bulk' must be above 0 (a bulk modulus of 0 or below has no meaning)";
constexpr const char* c10_c01 =
    "'c10' + 'c01' must be above 0 (the shear modulus is 2 (c10 + c01))";
}  // namespace refusal

template <class Law>
struct law_descriptor {
    std::int32_t number;                       // its number in input.txt's sheet section
    const char* name;                          // "neo-hookean": the problem file's name of it
    const char* title;                         // "neo-Hookean": the name headings give it
    std::vector<law_constant<Law>> constants;  // in the order input.txt gives them
};

// What a law writes into the deck's hyperelastic table: its TB line and its TBDATA values, the
// first numbered 1.
struct deck_table {
    const char* header;
    std::vector<double> data;
};

// A constant of a law under its problem-file key, as the .vtu names it.
struct named_constant {
    const char* name;
    double value;
};

// The law of a run: its number and its constants under their keys, in their order.
struct law_fields {
    std::int32_t number = 0;
    std::vector<named_constant> constants;
};

// The number and constants of the law that laws (a std::variant of law structs) holds.
template <class Laws>
law_fields fields_of(const Laws& laws) {
    return std::visit(
        [](const auto& law) {
            using law_type = std::decay_t<decltype(law)>;
            law_fields out{law_type::descriptor.number, {}};
            for (const auto& c : law_type::descriptor.constants)  // a relaxed law's, its law's
                out.constants.push_back({c.key, law.*c.value});
            return out;
        },
        laws);
}

// The tension the Newton shift stands for: the law's small-strain shear modulus times the
// initial thickness t0.
template <class Laws>
double shift_tension(const Laws& laws, double t0) {
    return std::visit([](const auto& law) { return law.small_strain_shear(); }, laws) * t0;
}

// "neo-Hookean: shear bulk": the law's title and its constants' keys, for the heading of
// input.txt's sheet section.
template <class Law>
std::string law_heading() {
    std::string out = Law::descriptor.title;
    out += ':';
    for (const law_constant<Law>& c : Law::descriptor.constants) out.append(" ").append(c.key);
    return out;
}

}  // namespace sheet
