// What Newton's method asks of dorvan beyond its objective: the exact second derivatives of one
// element's strain energy, and the gradient those derivatives belong to.
#pragma once

#include <cstddef>
#include <span>

#include "dorvan/model.hpp"
#include "sheet/assembly/block_io.hpp"

namespace dorvan {

// The element's unknowns in its Hessian: corner l, direction j at 3 l + j, its thickness
// variable s at 9.
constexpr int element_unknowns = 10;

// The Hessian of the strain energy of the element at position at (0 = the first) over its ten
// unknowns, at the unknowns xs = x(1..unknown_count), into packed: entry (a, b), a <= b, at
// b (b + 1) / 2 + a. Its thickness row differentiates dE/ds = 2 t0 s thickness_slope, the true
// slope of the energy, so that the matrix is the Hessian of the energy the elements compute.
void element_hessian(const model& m, const sheet::element_columns& table, std::size_t at,
                     std::span<const double> xs, double* packed);

// The gradient whose Hessian element_hessian gives, from the objective's g at xs: the free
// components' entries as they are, each thickness entry (the scaled slope of plane stress)
// multiplied by 2 t0 s to make it dE/ds.
void energy_gradient(const model& m, std::span<const double> xs, std::span<const double> g,
                     std::span<double> out);

}  // namespace dorvan
