// The compressible material laws, each with its constants as input.txt gives them.
#pragma once

#include <variant>

namespace dorvan {

// Law 1: W = mu i1 / (2 U) + kappa (i3 - 2 J) / 2, U = i3^(1/3), J = i3^(1/2).
struct neo_hookean {
    double shear = 0.0;  // mu
    double bulk = 0.0;   // kappa
};

// Law 2: W = (c10 i1 + c01 (i1^2 - trace_c2) / (2 U)) / U + kappa (i3 - 2 J) / 2.
struct mooney_rivlin {
    double c10 = 0.0;
    double c01 = 0.0;
    double bulk = 0.0;  // kappa
};

// The law of a run: its number in input.txt is its place here plus one.
using law = std::variant<neo_hookean, mooney_rivlin>;

inline int law_number(const law& l) {
    return static_cast<int>(l.index()) + 1;
}

}  // namespace dorvan
