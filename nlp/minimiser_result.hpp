// What every minimiser of the package returns.
#pragma once

#include <cstdint>

namespace nlp {

struct minimiser_result {
    std::int32_t minor;  // iterations done, one line search each
    double energy;       // objective value at the returned x (that of the last line search)
    bool optimal;        // the final gradient meets the tolerance (and nothing in it is NaN)
};

}  // namespace nlp
