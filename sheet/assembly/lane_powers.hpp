// The C library's pow over the lanes of a stored vector, compiled for the baseline instruction
// set: the vector kernels clear the upper halves of their registers and call this (see
// upper_halves-inl.hpp).
#pragma once

#include <cstddef>

namespace sheet {

// x[i] = std::pow(x[i], y) for i < n.
void powers_in_place(double* x, std::size_t n, double y);

}  // namespace sheet
