// The values of a matrix's stored entries, most of them zero, kept as a mark per entry and the
// entries that are not zero: the tension shift couples a component only with the same direction
// of its neighbours, so two thirds of its entries in the Newton matrix's pattern are zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sheet {

class sparse_values {
public:
    sparse_values() = default;
    explicit sparse_values(std::span<const double> values) {
        marks_.assign((values.size() + 63) / 64, 0);
        for (std::size_t k = 0; k < values.size(); ++k)
            if (values[k] != 0.0) {
                marks_[k / 64] |= std::uint64_t{1} << (k % 64);
                nonzero_.push_back(values[k]);
            }
        nonzero_.shrink_to_fit();
    }

    // The values in ascending order of their entries: each call gives the next, 0.0 where the
    // entry was zero. A reader is made for one pass.
    class reader {
    public:
        explicit reader(const sparse_values& v) : v_(v) {}
        double next() {
            const std::size_t k = k_++;
            if ((v_.marks_[k / 64] >> (k % 64) & 1U) == 0) return 0.0;
            return v_.nonzero_[at_++];
        }

    private:
        const sparse_values& v_;
        std::size_t k_ = 0, at_ = 0;
    };

private:
    std::vector<std::uint64_t> marks_;  // bit k % 64 of word k / 64: entry k is not zero
    std::vector<double> nonzero_;       // those entries' values, in order
};

}  // namespace sheet
