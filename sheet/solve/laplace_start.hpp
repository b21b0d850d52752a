// The start of Newton's path: the prescribed displacements extended over the sheet by one solve
// with the tension shift's Laplacian, the free components harmonic, so that the first Newton step
// does not begin from a sheet torn at its supports.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "arrays/terms.hpp"
#include "sheet/assembly/block_io.hpp"
#include "sheet/mechanics/packed.hpp"
#include "sheet/mechanics/tension_shift.hpp"
#include "sheet/solve/cholesky.hpp"
#include "sheet/solve/hessian_pattern.hpp"
#include "sheet/solve/sparse_values.hpp"

namespace sheet {

// The solution u of S u = -S_p u_p, S the shift's matrix over the free components of pattern
// (shift, its value at every stored entry of pattern's shape; element blocks from the geometry of
// each element position by geometry(at), with tension), u_p the prescribed values (by
// component); nothing when every prescribed value is 0 or when S is singular (a component no
// support reaches). It reads only what it is given, so it may run beside other work.
template <class Geometry>
std::optional<std::vector<double>> harmonic_extension(const hessian_pattern& pattern,
                                                      const sparse_values& shift,
                                                      Geometry&& geometry, double tension,
                                                      const double* prescribed) {
    const symmetric_matrix& shape = pattern.shape();
    const std::int32_t free = shape.n;
    std::vector<double> b(static_cast<std::size_t>(free), 0.0);
    double packed[packed_size(9)];
    bool moved = false;
    for (std::size_t at = 0; at < pattern.elements(); ++at) {
        tension_shift(geometry(at), tension, 9, packed);
        for (int a = 0; a < 9; ++a) {
            const std::int32_t i = pattern.unknown(at, a);
            if (i < 0) continue;
            for (int c = 0; c < 9; ++c) {
                const std::int32_t source = pattern.unknown(at, c);
                if (source >= 0) continue;
                const double value = corner_value(source, nullptr, prescribed);
                moved = moved || value != 0.0;
                const double entry = packed[a <= c ? packed_position(a, c) : packed_position(c, a)];
                b[static_cast<std::size_t>(i)] = b[static_cast<std::size_t>(i)] - entry * value;
            }
        }
    }
    if (!moved) return std::nullopt;
    // S couples a component only with the same direction of its neighbours: factorised on its
    // own pattern (the entries that are not zero) it costs a small part of the Newton matrix's
    // factor.
    symmetric_matrix laplacian;
    laplacian.n = shape.n;
    laplacian.column_start.push_back(0);
    sparse_values::reader entries(shift);
    for (std::int32_t j = 0; j < shape.n; ++j) {
        const auto jj = static_cast<std::size_t>(j);
        for (auto k = static_cast<std::size_t>(shape.column_start[jj]);
             k < static_cast<std::size_t>(shape.column_start[jj + 1]); ++k)
            if (const double s = entries.next(); s != 0.0 || shape.row[k] == j) {
                laplacian.row.push_back(shape.row[k]);
                laplacian.value.push_back(s);
            }
        laplacian.column_start.push_back(static_cast<std::int32_t>(laplacian.row.size()));
    }
    // Ordered by its own pattern, not by nodes, so that the three directions stay apart in the
    // factor; by minimum degree, since it is factorised once.
    cholesky factor(laplacian, {}, true);
    if (!factor.factor(laplacian)) return std::nullopt;
    std::vector<double> solution(b.size());
    factor.solve(b, solution);
    return solution;
}

// Into x(1..free), free the count of the extension's entries: the extension, unless it is not
// admitted by admissible(trial), trial a copy of x with the extension in place.
template <class Admissible>
void take_extension(const std::vector<double>& extension, terms::real_vector& x,
                    Admissible&& admissible) {
    const auto free = static_cast<std::int32_t>(extension.size());
    terms::real_vector trial(x.first(), x.last());
    for (std::int32_t k = x.first(); k <= x.last(); ++k)
        trial(k) = k <= free ? extension[static_cast<std::size_t>(k - 1)] : x(k);
    if (!admissible(std::as_const(trial))) return;
    for (std::int32_t k = 1; k <= free; ++k) x(k) = trial(k);
}

}  // namespace sheet
