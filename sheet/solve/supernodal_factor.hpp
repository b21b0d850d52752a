// The numeric factorisation of a supernodal Cholesky factor whose structure was analysed
// beforehand (supernode_tree.hpp), left-looking: the factor's entries are first set to the
// matrix's, then each supernode subtracts the updates of the supernodes below it that reach
// its columns, in ascending order, and factorises its diagonal block and the panel under it.
//
// A supernode's entries depend on nothing but the matrix and its own fixed order of updates, so
// the factor is the same to the bit however its supernodes are shared out. On the workers,
// whole subtrees are factorised side by side, then the supernodes above them wave by wave, each
// wave those whose children are all done.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "sheet/solve/supernode_tree.hpp"
#include "sheet/solve/symmetric_matrix.hpp"

namespace sheet {

class supernodal_factor {
public:
    // For the matrices of pattern (its upper triangle, column by column, in the unknowns' own
    // numbering) whose factor has this layout; the layout's arrays must outlive the factor.
    supernodal_factor(const supernodal_layout& layout, const symmetric_matrix& pattern);

    // Factorises the matrix of the pattern with these values (one per stored entry), on the
    // workers when on_workers (never from inside a task). False when it is not positive
    // definite: the entries are then unusable until the next success.
    bool factor(std::span<const double> values, bool on_workers);

    // (min L(i,i) / max L(i,i))^2 of the factor made last: its rough reciprocal condition.
    double reciprocal_condition() const;

    // The factor's entries, laid out as the layout says.
    std::span<const double> values() const { return {entries_.get(), size_}; }

private:
    // The rows first .. end - 1 of supernode from are those in the columns of the supernode
    // it updates.
    struct update {
        std::int32_t from, first, end;
    };
    struct buffers {
        std::vector<double> product;
        std::vector<std::int32_t> place;
    };
    struct wave {
        std::vector<std::int32_t> supernodes;                       // most work first
        std::vector<std::pair<std::int32_t, std::int32_t>> panels;  // theirs: supernode, panel
    };
    static constexpr std::size_t panel_width = 64;
    std::size_t panels(std::size_t s) const {
        const auto columns =
            static_cast<std::size_t>(layout_.first_column[s + 1] - layout_.first_column[s]);
        return (columns + panel_width - 1) / panel_width;
    }
    // Panel q of supernode s: its columns of the matrix, less the updates from below.
    void panel(std::size_t s, std::size_t q, buffers& work);
    // Supernode s's diagonal block factorised and the panel under it solved: false when the
    // block is not positive definite.
    bool finish(std::size_t s);
    bool factor_one(std::size_t s, buffers& work);
    void plan_waves();

    supernodal_layout layout_;
    std::vector<std::int32_t> place_;        // each stored entry's among the factor's entries
    std::vector<std::size_t> update_start_;  // by supernode: the updates it takes, ascending
    std::vector<update> updates_;
    std::vector<std::int64_t> work_;  // rough operations of each supernode
    supernode_tree tree_;
    int planned_for_ = 0;         // workers the waves were planned for
    std::vector<subtree> parts_;  // most work first
    std::vector<wave> waves_;     // the rest
    std::size_t size_ = 0;
    std::unique_ptr<double[]> entries_;  // left unset until each supernode writes its own
};

}  // namespace sheet
