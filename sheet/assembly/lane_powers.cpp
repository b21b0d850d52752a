#include "sheet/assembly/lane_powers.hpp"

#include <cmath>

namespace sheet {

void powers_in_place(double* x, std::size_t n, double y) {
    for (std::size_t i = 0; i < n; ++i) x[i] = std::pow(x[i], y);
}

}  // namespace sheet
