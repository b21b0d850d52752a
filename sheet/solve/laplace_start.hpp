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
// component), direction the direction (0, 1, 2) of each free component; nothing when every
// prescribed value is 0, when S is singular (a component no support reaches) or when it couples
// two directions. It reads only what it is given, so it may run beside other work.
template <class Geometry>
std::optional<std::vector<double>> harmonic_extension(const hessian_pattern& pattern,
                                                      const sparse_values& shift,
                                                      std::span<const std::int32_t> direction,
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
    // S couples a component only with the same direction of its neighbours: it falls apart into
    // one Laplacian per direction over the components free in it, each factorised on its own
    // pattern (the entries that are not zero), by minimum degree since it is factorised once.
    // Directions whose Laplacians are the same (the supports hold the same nodes in them, as a
    // clamped edge does) share one factor.
    const auto unknowns = static_cast<std::size_t>(free);
    std::vector<std::int32_t> local(unknowns);
    std::vector<std::int32_t> count(3, 0);
    for (std::size_t i = 0; i < unknowns; ++i) local[i] = count[direction[i]]++;
    std::vector<symmetric_matrix> laplacian(3);
    for (int d = 0; d < 3; ++d) {
        laplacian[d].n = count[d];
        laplacian[d].column_start.push_back(0);
    }
    sparse_values::reader entries(shift);
    for (std::int32_t j = 0; j < shape.n; ++j) {
        const auto jj = static_cast<std::size_t>(j);
        symmetric_matrix& own = laplacian[direction[jj]];
        for (auto k = static_cast<std::size_t>(shape.column_start[jj]);
             k < static_cast<std::size_t>(shape.column_start[jj + 1]); ++k) {
            const double s = entries.next();
            const auto i = static_cast<std::size_t>(shape.row[k]);
            if (s == 0.0 && i != jj) continue;
            if (direction[i] != direction[jj]) return std::nullopt;  // not a Laplacian by direction
            own.row.push_back(local[i]);
            own.value.push_back(s);
        }
        own.column_start.push_back(static_cast<std::int32_t>(own.row.size()));
    }
    std::vector<double> solution(unknowns);
    std::vector<double> part_b, part_x;
    std::optional<cholesky> factor;
    int factored = -1;  // the direction whose Laplacian the factor is of
    for (int d = 0; d < 3; ++d) {
        const symmetric_matrix& a = laplacian[d];
        if (a.n == 0) continue;
        const bool same = factored >= 0 && a.n == laplacian[factored].n &&
                          a.column_start == laplacian[factored].column_start &&
                          a.row == laplacian[factored].row && a.value == laplacian[factored].value;
        if (!same) {
            factor.emplace(a, std::span<const std::int32_t>{}, true);
            if (!factor->factor(a)) return std::nullopt;
            factored = d;
        }
        part_b.assign(static_cast<std::size_t>(a.n), 0.0);
        part_x.assign(part_b.size(), 0.0);
        for (std::size_t i = 0; i < unknowns; ++i)
            if (direction[i] == d) part_b[static_cast<std::size_t>(local[i])] = b[i];
        factor->solve(part_b, part_x);
        for (std::size_t i = 0; i < unknowns; ++i)
            if (direction[i] == d) solution[i] = part_x[static_cast<std::size_t>(local[i])];
    }
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
