// The sparse Cholesky factorisation of a symmetric positive definite matrix: CHOLMOD's
// fill-reducing ordering and supernodal analysis once per pattern, our own numeric factorisation
// per matrix (supernodal_factor.hpp), solves with the latest factor. No SuiteSparse type passes
// this header.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "sheet/solve/supernode_tree.hpp"
#include "sheet/solve/symmetric_matrix.hpp"

namespace sheet {

// Holds the library's own parallel loops (CHOLMOD's OpenMP) to the calling thread, for the whole
// process, so that no team of threads is forked beside the workers. Called once, where a run
// starts.
void hold_library_threads();

// A factor whose rough reciprocal condition, (min L(i,i) / max L(i,i))^2, is below this is taken
// as singular: its solves would carry no digit.
constexpr double smallest_reciprocal_condition = 1e-14;

// The supernodal structure of the factor of a matrix of n unknowns, n = groups.size(), whose
// entries join every unknown of a group with every unknown of that group and of its neighbours
// (groups[k]: the group of unknown k; group g's neighbours at links[start[g] .. start[g + 1]), in
// any order and with repeats, sorted and made unique in place; start of size count + 1): the
// graph of the groups ordered by METIS's nested dissection and analysed, each group's unknowns
// together and ascending in the order, and each of its supernodes taking its groups' unknowns.
// A graph a third the size of the matrix's, when the groups are a mesh node's components. For a
// matrix whose entries join fewer of those unknowns the structure holds the factor too, with
// room for entries that stay zero. Nothing when the library fails at it. It may run beside other
// work, though not beside another ordering (METIS keeps its random state for the whole process).
std::optional<supernodal_structure> grouped_analysis(std::span<const std::int32_t> groups,
                                                     std::span<const std::size_t> start,
                                                     std::span<std::int32_t> links);

class cholesky {
public:
    // Analyses the pattern of a (its values are not read): the ordering and the symbolic
    // factor every later factorisation of a matrix of the same pattern uses. With groups (the
    // group of each unknown, 0..groups - 1: a mesh node's components), the analysis is that of
    // grouped_analysis for the groups that the stored entries join. quick_order: approximate
    // minimum degree (AMD) in place of METIS's nested dissection, for a matrix factorised once,
    // whose analysis would cost more than the fill it saves.
    explicit cholesky(const symmetric_matrix& pattern, std::span<const std::int32_t> groups = {},
                      bool quick_order = false);
    // The same with the structure analysed beforehand (grouped_analysis), for the matrices of
    // pattern, which it must hold.
    cholesky(const symmetric_matrix& pattern, supernodal_structure analysed);
    ~cholesky();
    cholesky(const cholesky&) = delete;
    cholesky& operator=(const cholesky&) = delete;

    // Factorises the matrix of shape's pattern (the analysed one) with the stored values.
    // False when it is not positive definite, or so nearly singular that the factor's rough
    // reciprocal condition, (min L(i,i) / max L(i,i))^2, is below smallest: the factor is then
    // unusable until the next success. The matrix is read in place, not copied.
    // The supernodes of a large factor are factorised side by side on the workers when
    // on_workers (never from inside a task); the factor's bits are the same either way.
    bool factor(const symmetric_matrix& shape, std::span<const double> values,
                double smallest = smallest_reciprocal_condition, bool on_workers = false);
    bool factor(const symmetric_matrix& a, double smallest = smallest_reciprocal_condition) {
        return factor(a, a.value, smallest);
    }

    // x = A^-1 b with the latest successful factor (b and x of length n; they may not overlap);
    // parts of it side by side on the workers when on_workers (never from inside a task). The
    // solution's bits are the same either way.
    void solve(std::span<const double> b, std::span<double> x, bool on_workers = false);

    bool ready() const { return ready_; }

private:
    void analyse(const symmetric_matrix& pattern, std::span<const std::int32_t> groups,
                 bool quick_order);
    void take(const symmetric_matrix& pattern, supernodal_structure structure);

    struct library;  // CHOLMOD's workspace, factor and vectors
    std::unique_ptr<library> lib_;
    bool ready_ = false;
};

}  // namespace sheet
