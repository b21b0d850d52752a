// Solves with a supernodal Cholesky factor, read in place: L L' y = c in the factor's own order,
// supernode by supernode, with parts of the factor's tree side by side on the workers.
//
// The parts are made once, from the factor's structure alone: whole subtrees of the tree of
// supernodes (where nested dissection splits the sheet, its halves and quarters), and the top
// above them, the separators. The forward solve runs the parts side by side and then the top; a
// part's updates of the top's rows are summed in a buffer of its own and taken up in the order
// of the parts. The backward solve runs the top and then the parts side by side, each reading
// only its own rows and the top's. So every entry of the solution is formed by the same
// operations in the same order however many threads run the parts.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "sheet/solve/supernode_tree.hpp"

namespace sheet {

class supernodal_solve {
public:
    // The parts of the factor of this layout (whose arrays must outlive the solver); none, and
    // every supernode in the top, when its supernodes are not numbered children first with
    // each subtree's together.
    explicit supernodal_solve(const supernodal_layout& layout);

    // The factor's entries, taken after each factorisation (read in place, until the next):
    // the reciprocals of its diagonal are made here, once per factor.
    void take(std::span<const double> values);

    // x = A^-1 b with the factor taken last (b and x of length n, not overlapping); the parts
    // on the workers when on_workers (never from inside a task), else one after another.
    void solve(std::span<const double> b, std::span<double> x, bool on_workers);

    // The subtrees solved side by side.
    std::size_t parts() const { return parts_.size(); }

private:
    struct part {
        std::int32_t first;  // its supernodes, first .. end - 1
        std::int32_t end;
    };

    // Supernode s as its entries lie: its first column, its columns and rows, the rows'
    // numbers, and its entries (of the factor taken last) column by column.
    struct supernode {
        std::size_t first, columns, rows;
        const std::int32_t* row;
        const double* l;
    };
    supernode at(std::size_t s) const;

    // The supernode s's columns solved in y, its updates of the rows below it subtracted from
    // y, or summed into buffer where that row is the top's (buffer null: every one subtracted).
    void forward(std::int32_t s, double* y, double* buffer, std::vector<double>& work) const;
    // The supernode s's columns of L' y = c solved in y, the rows below it already solved.
    void backward(std::int32_t s, double* y, std::vector<double>& work) const;

    supernodal_layout layout_;
    const double* values_ = nullptr;  // the factor's entries, taken last
    std::vector<double> reciprocal_;  // of its diagonal entries, by column
    std::vector<part> parts_;
    std::vector<std::int32_t> top_;          // supernodes in no part, ascending
    std::vector<std::int32_t> top_index_;    // each column's place in a buffer, -1 if not the top's
    std::vector<std::int32_t> top_columns_;  // the top's columns, by their place
    std::size_t work_size_ = 0;              // the most rows of a supernode
    std::int64_t entries_ = 0;               // of the whole factor
    std::vector<std::vector<double>> buffers_;  // one per part
    std::vector<std::vector<double>> work_;     // one per part, and the top's last
    std::vector<double> y_;
};

}  // namespace sheet
