// The history as it was before the circular buffer: the doubly linked ring of records of
// 0.2.0 and the lbfgs that used it, kept beside the current ones for bench_direction to time
// both in one run. Not part of the programs.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <utility>

#include "arrays/terms.hpp"
#include "nlp/ascending.hpp"
#include "nlp/linesearch.hpp"
#include "nlp/minimiser_result.hpp"
#include "nlp/norm.hpp"
#include "nlp/observer.hpp"
#include "nlp/settings.hpp"

namespace nlp_before {

using namespace nlp;

struct pair_change {
    std::span<const double> x, saved_x, g, saved_g;
};

// One correction pair. The record and its 2n reals are one allocation (s and y point just
// past the record); records are made by create or insert and released by destroy only.
struct pair_record {
    std::int32_t n;  // length of s and y
    double alpha;    // scratch coefficient written by direction
    double sy;       // s.y of the pair, summed as y(i)*s(i) when the pair is stored
    double yy;       // y.y of the pair, summed with sy; direction scales by sy / yy of the newest
    double* s;       // step of the pair, n entries
    double* y;       // gradient change of the pair, n entries
    pair_record* prev;  // the next older record
    pair_record* next;  // the next newer record
};

// The two handles of a ring.
struct ring_ends {
    pair_record* first;  // the oldest pair
    pair_record* last;   // the newest pair
};

namespace detail {

// A link followed through the ring must not be null.
inline pair_record* follow(pair_record* link) {
    if (link == nullptr) throw std::logic_error("nlp: null link in the ring of correction pairs");
    return link;
}

// The lengths of a pair given as s and y, which must agree.
inline std::size_t length(std::span<const double> s, std::span<const double> y) {
    if (s.size() != y.size() || s.size() > static_cast<std::size_t>(INT32_MAX))
        throw std::invalid_argument("nlp: correction pair with s and y of different lengths");
    return s.size();
}

// Stores s, y and their s.y and y.y into a record of the same length, in one pass.
inline void store(pair_record* rec, std::span<const double> s, std::span<const double> y) {
    const std::size_t n = static_cast<std::size_t>(rec->n);
    if (s.size() != n || y.size() != n)
        throw std::invalid_argument("nlp: correction pair of the wrong length for its record");
    double* const rs = rec->s;
    double* const ry = rec->y;
    const double* const sv = s.data();
    const double* const yv = y.data();
    double sy = 0.0;
    double yy = 0.0;
    nlp::ascending(
        n,
        [&](std::size_t i) {
            rs[i] = sv[i];
            ry[i] = yv[i];
            sy = sy + ry[i] * rs[i];
            yy = yy + ry[i] * ry[i];
        },
        sv, yv);
    rec->sy = sy;
    rec->yy = yy;
}

}  // namespace detail

// A pair to be stored later, by store_and_direction: a record made or reused for it is left
// as it is.
struct pending_pair {
    std::size_t n;  // its length
};

namespace detail {

inline std::size_t length(const pending_pair& pending) {
    if (pending.n > static_cast<std::size_t>(INT32_MAX))
        throw std::invalid_argument("nlp: correction pair too long");
    return pending.n;
}

inline void store(pair_record* rec, const pending_pair& pending) {
    if (static_cast<std::size_t>(rec->n) != pending.n)
        throw std::invalid_argument("nlp: correction pair of the wrong length for its record");
}

inline std::size_t length(const pair_change& change) {
    const std::size_t n = change.x.size();
    if (change.saved_x.size() != n || change.g.size() != n || change.saved_g.size() != n ||
        n > static_cast<std::size_t>(INT32_MAX))
        throw std::invalid_argument("nlp: correction pair with s and y of different lengths");
    return n;
}

// A new record holding the pair (s and y, or a pending_pair) and its s.y, with null links.
template <class... Pair>
pair_record* allocate(const Pair&... pair) {
    const std::size_t n = length(pair...);
    void* raw = ::operator new(sizeof(pair_record) + 2 * n * sizeof(double));
    pair_record* rec = ::new (raw) pair_record{
        static_cast<std::int32_t>(n), 0.0, 0.0, 0.0, nullptr, nullptr, nullptr, nullptr};
    double* reals =
        reinterpret_cast<double*>(static_cast<unsigned char*>(raw) + sizeof(pair_record));
    std::uninitialized_default_construct_n(reals, 2 * n);  // store writes every entry
    rec->s = reals;
    rec->y = reals + n;
    store(rec, pair...);
    return rec;
}

inline void release(pair_record* rec) {
    rec->~pair_record();
    ::operator delete(static_cast<void*>(rec));
}

static_assert(sizeof(pair_record) % alignof(double) == 0, "the reals follow the record");

template <class... Pair>
ring_ends create(const Pair&... pair) {
    pair_record* rec = allocate(pair...);
    rec->prev = rec;
    rec->next = rec;
    return {rec, rec};
}

template <class... Pair>
pair_record* insert(pair_record* first, const Pair&... pair) {
    pair_record* newest = follow(follow(first)->prev);
    pair_record* rec = allocate(pair...);
    rec->prev = newest;
    rec->next = first;
    newest->next = rec;
    first->prev = rec;
    return rec;
}

template <class... Pair>
ring_ends rotate(pair_record* first, pair_record* last, const Pair&... pair) {
    pair_record* oldest = follow(follow(last)->next);
    store(oldest, pair...);
    return {follow(follow(first)->next), oldest};
}

}  // namespace detail

// A ring of one record holding s, y and their s.y; first = last = that record.
inline ring_ends create(std::span<const double> s, std::span<const double> y) {
    return detail::create(s, y);
}
inline ring_ends create(const pending_pair& pending) {
    return detail::create(pending);
}

// Adds a new record after the newest (first's prev) and before the oldest (first).
// Returns the new last; first is unchanged.
inline pair_record* insert(pair_record* first, [[maybe_unused]] pair_record* last,
                           std::span<const double> s, std::span<const double> y) {
    return detail::insert(first, s, y);
}
inline pair_record* insert(pair_record* first, [[maybe_unused]] pair_record* last,
                           const pending_pair& pending) {
    return detail::insert(first, pending);
}

// Reuses the oldest record (last's next) for s, y and a freshly summed s.y; it becomes the new
// last, and the old first's next becomes the new first. Allocates nothing.
inline ring_ends rotate(pair_record* first, pair_record* last, std::span<const double> s,
                        std::span<const double> y) {
    return detail::rotate(first, last, s, y);
}
inline ring_ends rotate(pair_record* first, pair_record* last, const pending_pair& pending) {
    return detail::rotate(first, last, pending);
}

// Releases every record, walking from last along next until it comes back to last.
// Returns null handles. Null handles are left as they are.
inline ring_ends destroy(pair_record* first, pair_record* last) {
    (void)first;
    if (last != nullptr) {
        pair_record* rec = detail::follow(last->next);
        while (rec != last) {
            pair_record* following = detail::follow(rec->next);
            detail::release(rec);
            rec = following;
        }
        detail::release(last);
    }
    return {nullptr, nullptr};
}

// Number of records, counted by walking from first along next back to first.
inline std::int32_t ring_size(const pair_record* first) {
    if (first == nullptr) return 0;
    std::int32_t count = 1;
    for (const pair_record* rec = detail::follow(first->next); rec != first;
         rec = detail::follow(rec->next))
        ++count;
    return count;
}

namespace detail {

// rec, which must hold pairs n long.
inline pair_record* checked(pair_record* rec, std::size_t n) {
    if (static_cast<std::size_t>(rec->n) != n)
        throw std::invalid_argument("nlp: correction pair of the wrong length");
    return rec;
}

// The two-loop recursion after its first pass, which has set d := g and summed
// sum = s.d of the newest pair.
//
// The 2m sums depend on each other through alpha and beta, so they run one after another and
// each makes one pass: a pass finishes one step of the recursion and, in the same sweep, forms
// the sum that the next step needs from the entries it has just written. Every sum still runs
// in ascending i from 0.0 over the same values, so the result is that of the plain recursion.
// y.y of the newest pair was summed when the pair was stored.
inline void finish_direction(pair_record* oldest, pair_record* newest, std::size_t n, double* dv,
                             double sum) {
    pair_record* const forward_from = checked(follow(newest->next), n);
    const double gamma = newest->sy / newest->yy;
    pair_record* rec = newest;

    // backward pass, newest to oldest: alpha = s.d / sy; d := d - alpha * y; after the oldest,
    // the initial scaling d := d * gamma
    for (;;) {
        rec->alpha = sum / rec->sy;
        const double alpha = rec->alpha;
        const double* const y = rec->y;
        sum = 0.0;
        if (rec == oldest) {
            // the forward pass starts with the pair after the newest: its y.d after the scaling
            const double* const fy = forward_from->y;
            nlp::ascending(
                n,
                [&](std::size_t i) {
                    const double reduced = dv[i] - alpha * y[i];
                    dv[i] = reduced * gamma;
                    sum = sum + dv[i] * fy[i];
                },
                y, fy);
            break;
        }
        pair_record* const older = checked(follow(rec->prev), n);
        const double* const s = older->s;
        nlp::ascending(
            n,
            [&](std::size_t i) {
                dv[i] = dv[i] - alpha * y[i];
                sum = sum + dv[i] * s[i];
            },
            y, s);
        rec = older;
    }

    // forward pass, oldest to newest: beta = y.d / sy; d := d + (alpha - beta) * s; after the
    // newest, d := -d
    for (rec = forward_from;;) {
        const double beta = sum / rec->sy;
        const double step = rec->alpha - beta;
        const double* const s = rec->s;
        if (rec == newest) {
            for (std::size_t i = 0; i < n; ++i) dv[i] = -(dv[i] + step * s[i]);
            break;
        }
        pair_record* const newer = checked(follow(rec->next), n);
        const double* const y = newer->y;
        sum = 0.0;
        nlp::ascending(
            n,
            [&](std::size_t i) {
                dv[i] = dv[i] + step * s[i];
                sum = sum + dv[i] * y[i];
            },
            s, y);
        rec = newer;
    }
}

}  // namespace detail

// d := -H.g, where H is the inverse Hessian approximation that the pairs of the ring define
// (two-loop recursion, initial matrix scaled by s.y / y.y of the newest pair).
//   in:  a ring (first, last) whose records hold pairs of g's length; g.
//   out: d (same length as g); the alpha of every record.
// Pairs are used as stored, whatever their s.y.
inline void direction(pair_record* first, pair_record* last, std::span<const double> g,
                      std::span<double> d) {
    const std::size_t n = g.size();
    if (d.size() != n) throw std::invalid_argument("nlp: direction of the wrong length");
    pair_record* const oldest = detail::checked(detail::follow(first), n);
    pair_record* const newest = detail::checked(detail::follow(last), n);
    double* const dv = d.data();
    const double* const gv = g.data();
    // d := g, and the newest pair's s.d for the backward pass
    double sum = 0.0;
    const double* const s = newest->s;
    nlp::ascending(
        n,
        [&](std::size_t i) {
            dv[i] = gv[i];
            sum = sum + dv[i] * s[i];
        },
        gv, s);
    detail::finish_direction(oldest, newest, n, dv, sum);
}

// Stores change into the newest record (one made or reused for a pending_pair), then d as
// direction gives it, the store and the first of its sums in one pass, which also finds the
// largest |g(i)| (norm's value for g). Returns that largest magnitude. change.g must be g.
inline double store_and_direction(pair_record* first, pair_record* last, const pair_change& change,
                                  std::span<double> d) {
    const std::size_t n = detail::length(change);
    if (d.size() != n) throw std::invalid_argument("nlp: direction of the wrong length");
    pair_record* const oldest = detail::checked(detail::follow(first), n);
    pair_record* const newest = detail::checked(detail::follow(last), n);
    double* const rs = newest->s;
    double* const ry = newest->y;
    double* const dv = d.data();
    const double* const x = change.x.data();
    const double* const x_saved = change.saved_x.data();
    const double* const gv = change.g.data();
    const double* const g_saved = change.saved_g.data();
    double sy = 0.0, yy = 0.0, sum = 0.0, largest = 0.0;
    nlp::ascending(
        n,
        [&](std::size_t i) {
            rs[i] = x[i] - x_saved[i];
            ry[i] = gv[i] - g_saved[i];
            sy = sy + ry[i] * rs[i];
            yy = yy + ry[i] * ry[i];
            dv[i] = gv[i];
            sum = sum + dv[i] * rs[i];
            const double magnitude = std::abs(gv[i]);
            largest = magnitude > largest ? magnitude : largest;
        },
        x, x_saved, gv, g_saved);
    newest->sy = sy;
    newest->yy = yy;
    detail::finish_direction(oldest, newest, n, dv, sum);
    return largest;
}

// Owner of a ring: releases it with destroy when it goes out of scope, on every path.
class ring {
public:
    ring() = default;
    ring(const ring&) = delete;
    ring& operator=(const ring&) = delete;
    ~ring() { destroy(first, last); }

    pair_record* first = nullptr;
    pair_record* last = nullptr;
};

// Minimises the objective from x.
//   in:  settings (settings.hpp: the pairs kept, the iteration limit, the tolerance on
//        norm(n, g) and the line search's own), n, x (start point).
//        x and g must cover 1..n; g's contents on entry are not read.
//   out: x = final point, g = gradient there; minor = iterations (line searches), energy = the
//        last line search's value, optimal = norm(n, g) <= tolerance with no NaN.
//   observe(iteration_state) is called at the starting point and after every iteration.
// halt from the line search passes through; all work storage is released on every path.
template <class Objective, class Observer = no_observer>
minimiser_result lbfgs(Objective& objective, const lbfgs_settings& settings, std::int32_t n,
                       terms::real_vector& x, terms::real_vector& g,
                       Observer&& observe = Observer{}) {
    const lbfgs_settings used = normalised(settings);
    (void)x.view(1, n);
    (void)g.view(1, n);
    terms::real_vector d(1, n);
    terms::real_vector s(1, n);  // previous point; the step s = x - previous x goes into the ring
    terms::real_vector y(1,
                         n);  // previous gradient; the change y = g - previous g goes into the ring
    const std::span<double> dv = d.view(1, n);
    const std::span<double> sv = s.view(1, n);
    const std::span<double> yv = y.view(1, n);
    const std::size_t count = dv.size();

    double step_length = 0.0;  // of the last search, for the observer
    const auto step = [&](double energy) {
        return search_and_save(objective, used.search, n, energy, x, g, d, sv, yv, &step_length);
    };
    const auto show = [&](std::int32_t iteration, double energy) {
        observe(iteration_state{iteration, energy, step_length, std::as_const(x).view(1, n),
                                std::as_const(g).view(1, n)});
    };
    const pair_change change{std::as_const(x).view(1, n), sv, std::as_const(g).view(1, n), yv};

    double energy = objective(n, std::as_const(x), g);
    show(0, energy);
    std::int32_t k = 1;

    // steepest descent first
    {
        const std::span<const double> gv = std::as_const(g).view(1, n);
        for (std::size_t i = 0; i < count; ++i) dv[i] = -gv[i];
    }
    energy = step(energy);
    show(k, energy);
    // Each iteration's pair goes into a record made or reused for it at the end of the
    // iteration, and is stored in the pass that starts the next direction; that pass also finds
    // norm(n, g) for the test that decides whether there is a next iteration at all.
    const pending_pair pending{count};
    ring pairs;
    const ring_ends ends = create(pending);
    pairs.first = ends.first;
    pairs.last = ends.last;

    while (k < used.max_iterations) {
        if (!(store_and_direction(pairs.first, pairs.last, change, dv) > used.tolerance)) break;
        k = k + 1;
        energy = step(energy);
        show(k, energy);
        if (k <= used.memory_size) {
            pairs.last = insert(pairs.first, pairs.last, pending);
        } else {
            const ring_ends moved = rotate(pairs.first, pairs.last, pending);
            pairs.first = moved.first;
            pairs.last = moved.last;
        }
    }

    return {k, energy, is_optimal(n, g, energy, used.tolerance)};
}

}  // namespace nlp_before
