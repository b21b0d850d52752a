// What every minimiser of the package returns.
#pragma once

#include <cstdint>

namespace nlp {

struct minimiser_result {
    // Iterations done, one line search each: the count the programs report as the minor
    // iterations ("Minor = " on the console, "Minor Iterations" in the report).
    std::int32_t minor;
    double energy;  // objective value at the returned x (that of the last line search)
    bool optimal;   // the final gradient meets the tolerance (and nothing in it is NaN)
};

}  // namespace nlp
