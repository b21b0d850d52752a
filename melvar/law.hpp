// The incompressible material laws, each with its constants as input.txt gives them.
#pragma once

#include <variant>

namespace melvar {

// Law 1: W = mu i1 / 2.
struct neo_hookean {
    double shear = 0.0;  // mu
};

// Law 2: W = c10 i1 + c01 (i1^2 - trace_c2) / 2.
struct mooney_rivlin {
    double c10 = 0.0;
    double c01 = 0.0;
};

// Law 3: W = mu (c1 i1 + c2 i1^2 + c3 i1^3 + c4 i1^4 + c5 i1^5), the series coefficients
// derived from the locking stretch L when it is read.
struct arruda_boyce {
    double shear = 0.0;                                 // mu
    double lock = 0.0;                                  // L
    double coefficient[5] = {0.0, 0.0, 0.0, 0.0, 0.0};  // c1..c5
};

// The law of a run: its number in input.txt is its place here plus one.
using law = std::variant<neo_hookean, mooney_rivlin, arruda_boyce>;

inline int law_number(const law& l) {
    return static_cast<int>(l.index()) + 1;
}

}  // namespace melvar
