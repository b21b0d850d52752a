// The follower pressures in the total potential energy: -p V of every pressurised triangle, its
// gradient on the free components added after the elements' forces, and the follower forces in
// the out-of-balance forces of the final state. Pressurised elements are taken in ascending order,
// on one thread, so that every sum is the same for any number of threads.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "sheet/model/model.hpp"

namespace sheet {

// What the objective reads of the pressurised elements, in ascending element order (that of the
// model's pressures): per element its nine corner sources, 3 l + j for corner l and direction j
// as in element_columns (the 0-based unknown, or ~c for a prescribed component c), and its
// corners' initial coordinates, X Y Z of N1, N2, N3.
struct pressure_table {
    std::vector<std::int32_t> sources;
    std::vector<double> corners;
};

// The table of the started model m (empty without pressures).
pressure_table pressure_table_of(const model& m);

// At the unknowns xs (x(1..) as a span): adds each pressurised element's gradient of -p V into
// the entries gs of its free corner components, and returns the sum of their -p V, from 0.0.
// table is m's.
double add_pressure_work(const model& m, const pressure_table& table, std::span<const double> xs,
                         std::span<double> gs);

// At m's unknowns: subtracts each pressurised element's follower forces from forces (by node and
// direction). They are the gradient of -p V, negated, at every free component; at a held one
// they are what the support takes up, which the gradient need not be.
void add_pressure_forces(const model& m, terms::real_matrix& forces);

// The sum of the pressurised triangles' V at m's unknowns, from 0.0: the enclosed volume when
// they close a region (or close it with planes through the origin).
double pressurised_volume(const model& m);

}  // namespace sheet
