// The history of limited-memory BFGS: correction pairs (s, y) held in a doubly linked ring of
// records, with the two-loop recursion that builds a search direction from them.
//
// The ring is known by two handles: first (the oldest pair) and last (the newest pair). Going
// along next leads from older to newer records, the newest record's next being the oldest;
// going along prev leads from newer to older. With one record, both handles name it and its
// links point to itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>

namespace nlp {

// One correction pair. The record and its 2n reals are one allocation (s and y point just
// past the record); records are made by create or insert and released by destroy only.
struct list_rec {
    std::int32_t n;  // length of s and y
    double alpha;    // scratch coefficient written by direction
    double sy;       // s.y of the pair, summed as y(i)*s(i) when the pair is stored
    double* s;       // step of the pair, n entries
    double* y;       // gradient change of the pair, n entries
    list_rec* prev;  // the next older record
    list_rec* next;  // the next newer record
};

// The two handles of a ring.
struct list_ends {
    list_rec* first;  // the oldest pair
    list_rec* last;   // the newest pair
};

namespace detail {

// A link followed through the ring must not be null.
inline list_rec* follow(list_rec* link) {
    if (link == nullptr) throw std::logic_error("nlp: null link in the ring of correction pairs");
    return link;
}

// Sum of y(i)*s(i) in ascending i from 0.0.
inline double dot_ys(std::size_t n, const double* y, const double* s) {
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) sum = sum + y[i] * s[i];
    return sum;
}

// Stores s, y and their s.y into a record of the same length.
inline void store(list_rec* rec, std::span<const double> s, std::span<const double> y) {
    const std::size_t n = static_cast<std::size_t>(rec->n);
    if (s.size() != n || y.size() != n)
        throw std::invalid_argument("nlp: correction pair of the wrong length for its record");
    for (std::size_t i = 0; i < n; ++i) rec->s[i] = s[i];
    for (std::size_t i = 0; i < n; ++i) rec->y[i] = y[i];
    rec->sy = dot_ys(n, rec->y, rec->s);
}

// A new record holding s, y and their s.y, with null links.
inline list_rec* allocate(std::span<const double> s, std::span<const double> y) {
    if (s.size() != y.size() || s.size() > static_cast<std::size_t>(INT32_MAX))
        throw std::invalid_argument("nlp: correction pair with s and y of different lengths");
    const std::size_t n = s.size();
    void* raw = ::operator new(sizeof(list_rec) + 2 * n * sizeof(double));
    list_rec* rec = ::new (raw)
        list_rec{static_cast<std::int32_t>(n), 0.0, 0.0, nullptr, nullptr, nullptr, nullptr};
    double* reals = reinterpret_cast<double*>(static_cast<unsigned char*>(raw) + sizeof(list_rec));
    std::uninitialized_value_construct_n(reals, 2 * n);
    rec->s = reals;
    rec->y = reals + n;
    store(rec, s, y);
    return rec;
}

inline void release(list_rec* rec) {
    rec->~list_rec();
    ::operator delete(static_cast<void*>(rec));
}

static_assert(sizeof(list_rec) % alignof(double) == 0, "the reals follow the record");

}  // namespace detail

// A ring of one record holding s, y and their s.y; first = last = that record.
inline list_ends create(std::span<const double> s, std::span<const double> y) {
    list_rec* rec = detail::allocate(s, y);
    rec->prev = rec;
    rec->next = rec;
    return {rec, rec};
}

// Adds a new record after the newest (first's prev) and before the oldest (first).
// Returns the new last; first is unchanged.
inline list_rec* insert(list_rec* first, [[maybe_unused]] list_rec* last, std::span<const double> s,
                        std::span<const double> y) {
    list_rec* newest = detail::follow(detail::follow(first)->prev);
    list_rec* rec = detail::allocate(s, y);
    rec->prev = newest;
    rec->next = first;
    newest->next = rec;
    first->prev = rec;
    return rec;
}

// Reuses the oldest record (last's next) for s, y and a freshly summed s.y; it becomes the new
// last, and the old first's next becomes the new first. Allocates nothing.
inline list_ends rotate(list_rec* first, list_rec* last, std::span<const double> s,
                        std::span<const double> y) {
    list_rec* oldest = detail::follow(detail::follow(last)->next);
    detail::store(oldest, s, y);
    return {detail::follow(detail::follow(first)->next), oldest};
}

// Releases every record, walking from last along next until it comes back to last.
// Returns null handles. Null handles are left as they are.
inline list_ends destroy(list_rec* first, list_rec* last) {
    (void)first;
    if (last != nullptr) {
        list_rec* rec = detail::follow(last->next);
        while (rec != last) {
            list_rec* following = detail::follow(rec->next);
            detail::release(rec);
            rec = following;
        }
        detail::release(last);
    }
    return {nullptr, nullptr};
}

// Number of records, counted by walking from first along next back to first.
inline std::int32_t ring_size(const list_rec* first) {
    if (first == nullptr) return 0;
    std::int32_t count = 1;
    for (const list_rec* rec = detail::follow(first->next); rec != first;
         rec = detail::follow(rec->next))
        ++count;
    return count;
}

// d := -H.g, where H is the inverse Hessian approximation that the pairs of the ring define
// (two-loop recursion, initial matrix scaled by s.y / y.y of the newest pair).
//   in:  a ring (first, last) whose records hold pairs of g's length; g.
//   out: d (same length as g); the alpha of every record.
// Pairs are used as stored, whatever their s.y.
inline void direction(list_rec* first, list_rec* last, std::span<const double> g,
                      std::span<double> d) {
    const std::size_t n = g.size();
    if (d.size() != n) throw std::invalid_argument("nlp: direction of the wrong length");
    const auto checked = [n](list_rec* rec) {
        if (static_cast<std::size_t>(rec->n) != n)
            throw std::invalid_argument("nlp: correction pair of the wrong length");
        return rec;
    };

    for (std::size_t i = 0; i < n; ++i) d[i] = g[i];

    // backward pass, newest to oldest: alpha = s.d / sy; d := d - alpha * y
    list_rec* oldest = detail::follow(first);
    for (list_rec* rec = detail::follow(oldest->prev);; rec = detail::follow(rec->prev)) {
        const list_rec& p = *checked(rec);
        double sum = 0.0;
        for (std::size_t i = 0; i < n; ++i) sum = sum + d[i] * p.s[i];
        rec->alpha = sum / p.sy;
        const double alpha = rec->alpha;
        for (std::size_t i = 0; i < n; ++i) d[i] = d[i] - alpha * p.y[i];
        if (rec == oldest) break;
    }

    // initial scaling with the newest pair: gamma = sy / y.y
    const list_rec& newest = *checked(detail::follow(last));
    double yy = 0.0;
    for (std::size_t i = 0; i < n; ++i) yy = yy + newest.y[i] * newest.y[i];
    const double gamma = newest.sy / yy;
    for (std::size_t i = 0; i < n; ++i) d[i] = d[i] * gamma;

    // forward pass, oldest to newest: beta = y.d / sy; d := d + (alpha - beta) * s
    list_rec* youngest = detail::follow(last);
    for (list_rec* rec = detail::follow(youngest->next);; rec = detail::follow(rec->next)) {
        const list_rec& p = *checked(rec);
        double sum = 0.0;
        for (std::size_t i = 0; i < n; ++i) sum = sum + d[i] * p.y[i];
        const double beta = sum / p.sy;
        const double step = p.alpha - beta;
        for (std::size_t i = 0; i < n; ++i) d[i] = d[i] + step * p.s[i];
        if (rec == youngest) break;
    }

    for (std::size_t i = 0; i < n; ++i) d[i] = -d[i];
}

// Owner of a ring: releases it with destroy when it goes out of scope, on every path.
class ring {
public:
    ring() = default;
    ring(const ring&) = delete;
    ring& operator=(const ring&) = delete;
    ~ring() { destroy(first, last); }

    list_rec* first = nullptr;
    list_rec* last = nullptr;
};

}  // namespace nlp
