// Array types of the package terms: vectors and tables whose index bounds are fixed when they
// are created and whose every access is checked against them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

namespace terms {

// Raised by an access outside an array's bounds; main reports it and exits with status 1.
class range_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace detail {

// Number of entries of the index range first..last; an upper bound below the lower gives 0.
inline std::size_t extent(std::int32_t first, std::int32_t last) {
    return last < first ? 0 : static_cast<std::size_t>(std::int64_t{last} - first + 1);
}

[[noreturn]] inline void out_of_range(std::int64_t index, std::int32_t first, std::int32_t last) {
    throw range_error("index " + std::to_string(index) + " outside the bounds " +
                      std::to_string(first) + ".." + std::to_string(last));
}

// True when first <= index <= last, with one unsigned comparison.
inline bool inside(std::int32_t index, std::int32_t first, std::size_t count) {
    return static_cast<std::uint64_t>(std::int64_t{index} - first) < count;
}

}  // namespace detail

// Selects the constructor that leaves the entries undefined until written.
struct uninitialized_t {};
inline constexpr uninitialized_t uninitialized{};

// A vector indexed first..last. Default-constructed, it is absent (no entries); every access to
// it then fails its check. Entries start value-initialised (0, 0.0, false).
template <class T>
class array1 {
public:
    array1() = default;
    array1(std::int32_t first, std::int32_t last)
        : first_(first),
          last_(last),
          count_(detail::extent(first, last)),
          data_(count_ > 0 ? std::make_unique<T[]>(count_) : nullptr) {}
    // Entries left undefined until written: for work vectors filled at once.
    array1(std::int32_t first, std::int32_t last, uninitialized_t)
        : first_(first),
          last_(last),
          count_(detail::extent(first, last)),
          data_(count_ > 0 ? std::make_unique_for_overwrite<T[]>(count_) : nullptr) {}

    std::int32_t first() const { return first_; }
    std::int32_t last() const { return last_; }
    std::size_t size() const { return count_; }

    T& operator()(std::int32_t i) {
        if (!detail::inside(i, first_, count_)) detail::out_of_range(i, first_, last_);
        return data_[static_cast<std::size_t>(i - first_)];
    }
    const T& operator()(std::int32_t i) const {
        if (!detail::inside(i, first_, count_)) detail::out_of_range(i, first_, last_);
        return data_[static_cast<std::size_t>(i - first_)];
    }

    // The entries lo..hi as a span, checked once: a loop over a range it has validated this way
    // need not check every index again. An empty range (hi < lo) is always valid.
    std::span<T> view(std::int32_t lo, std::int32_t hi) {
        return {data_.get() + checked_offset(lo, hi), detail::extent(lo, hi)};
    }
    std::span<const T> view(std::int32_t lo, std::int32_t hi) const {
        return {data_.get() + checked_offset(lo, hi), detail::extent(lo, hi)};
    }

private:
    std::size_t checked_offset(std::int32_t lo, std::int32_t hi) const {
        if (hi < lo) return 0;
        if (!detail::inside(lo, first_, count_)) detail::out_of_range(lo, first_, last_);
        if (!detail::inside(hi, first_, count_)) detail::out_of_range(hi, first_, last_);
        return static_cast<std::size_t>(lo - first_);
    }

    std::int32_t first_ = 1;
    std::int32_t last_ = 0;
    std::size_t count_ = 0;
    std::unique_ptr<T[]> data_;
};

// A table indexed (first1..last1, first2..last2), stored row by row.
template <class T>
class array2 {
public:
    array2() = default;
    array2(std::int32_t first1, std::int32_t last1, std::int32_t first2, std::int32_t last2)
        : first1_(first1),
          last1_(last1),
          first2_(first2),
          last2_(last2),
          count1_(detail::extent(first1, last1)),
          count2_(detail::extent(first2, last2)),
          data_(count1_ * count2_ > 0 ? std::make_unique<T[]>(count1_ * count2_) : nullptr) {}

    std::int32_t first1() const { return first1_; }
    std::int32_t last1() const { return last1_; }
    std::int32_t first2() const { return first2_; }
    std::int32_t last2() const { return last2_; }

    T& operator()(std::int32_t i, std::int32_t j) { return data_[offset(i, j)]; }
    const T& operator()(std::int32_t i, std::int32_t j) const { return data_[offset(i, j)]; }

    // Every entry, row by row: for loops whose indices were validated when they were made.
    std::span<T> all() { return {data_.get(), count1_ * count2_}; }
    std::span<const T> all() const { return {data_.get(), count1_ * count2_}; }

    // Row i as a span of its count2 entries, checked once.
    std::span<T> row(std::int32_t i) { return {data_.get() + offset(i, first2_), count2_}; }
    std::span<const T> row(std::int32_t i) const {
        return {data_.get() + offset(i, first2_), count2_};
    }

private:
    std::size_t offset(std::int32_t i, std::int32_t j) const {
        if (!detail::inside(i, first1_, count1_)) detail::out_of_range(i, first1_, last1_);
        if (!detail::inside(j, first2_, count2_)) detail::out_of_range(j, first2_, last2_);
        return static_cast<std::size_t>(i - first1_) * count2_ +
               static_cast<std::size_t>(j - first2_);
    }

    std::int32_t first1_ = 1, last1_ = 0, first2_ = 1, last2_ = 0;
    std::size_t count1_ = 0, count2_ = 0;
    std::unique_ptr<T[]> data_;
};

// A three-index table, stored with the last index varying fastest.
template <class T>
class array3 {
public:
    array3() = default;
    array3(std::int32_t first1, std::int32_t last1, std::int32_t first2, std::int32_t last2,
           std::int32_t first3, std::int32_t last3)
        : first_{first1, first2, first3},
          last_{last1, last2, last3},
          count_{detail::extent(first1, last1), detail::extent(first2, last2),
                 detail::extent(first3, last3)},
          data_(count_[0] * count_[1] * count_[2] > 0
                    ? std::make_unique<T[]>(count_[0] * count_[1] * count_[2])
                    : nullptr) {}

    std::int32_t first(int dimension) const { return first_[dimension - 1]; }
    std::int32_t last(int dimension) const { return last_[dimension - 1]; }

    T& operator()(std::int32_t i, std::int32_t j, std::int32_t k) { return data_[offset(i, j, k)]; }
    const T& operator()(std::int32_t i, std::int32_t j, std::int32_t k) const {
        return data_[offset(i, j, k)];
    }

private:
    std::size_t offset(std::int32_t i, std::int32_t j, std::int32_t k) const {
        const std::int32_t index[3] = {i, j, k};
        std::size_t at = 0;
        for (int d = 0; d < 3; ++d) {
            if (!detail::inside(index[d], first_[d], count_[d]))
                detail::out_of_range(index[d], first_[d], last_[d]);
            at = at * count_[d] + static_cast<std::size_t>(index[d] - first_[d]);
        }
        return at;
    }

    std::int32_t first_[3] = {1, 1, 1};
    std::int32_t last_[3] = {0, 0, 0};
    std::size_t count_[3] = {0, 0, 0};
    std::unique_ptr<T[]> data_;
};

// The names the code uses: what an array holds, and whether it has one index or two.
using real_vector = array1<double>;
using index_vector = array1<std::int32_t>;
using flag_vector = array1<bool>;
using real_matrix = array2<double>;
using index_matrix = array2<std::int32_t>;
using flag_matrix = array2<bool>;

}  // namespace terms
