// The C library's pow over the lanes of a stored vector, compiled for the baseline instruction
// set. Called inline among wide-vector code, pow (plain SSE code in the C library) runs with the
// upper halves of the vector registers in use and pays for it on every instruction; the vector
// kernels clear those halves and call this instead.
#pragma once

#include <cstddef>

namespace sheet {

// x[i] = std::pow(x[i], y) for i < n.
void powers_in_place(double* x, std::size_t n, double y);

}  // namespace sheet
