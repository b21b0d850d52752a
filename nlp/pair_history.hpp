// The history of limited-memory BFGS: the last m correction pairs (s, y), kept as columns in a
// circular buffer, and the two-loop recursion that builds a search direction from them.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <stdexcept>
#include <vector>

#include "nlp/ascending.hpp"

namespace nlp {

// A correction pair given by the points and gradients it joins: s = x - saved_x and
// y = g - saved_g, formed by store_and_direction in the pass that stores them, so the minimiser
// needs no pass of its own.
struct pair_change {
    std::span<const double> x, saved_x, g, saved_g;
};

// Up to capacity pairs of n entries. Pairs are counted from the oldest (0) to the newest
// (size() - 1); once capacity pairs are held, each new pair takes the columns of the oldest.
//
// Each pair's two columns (s, then y) are one allocation, made when a pair first needs it: the
// history of a run that stops early holds no more than its pairs, a capacity far above the pairs
// a run makes costs nothing, and growing never moves or copies a column. From the capacity-th
// pair on, nothing is allocated.
class pair_history {
public:
    // An empty history for pairs of n entries, keeping at most capacity of them (a capacity
    // below 1 keeps one).
    pair_history(std::size_t n, std::int32_t capacity)
        : n_(n), capacity_(capacity < 1 ? 1 : capacity) {}

    std::size_t length() const noexcept { return n_; }
    std::int32_t capacity() const noexcept { return capacity_; }
    std::int32_t size() const noexcept { return count_; }  // pairs held

    // Pair p as stored: its s, y, s.y and y.y (both summed in ascending i from 0.0, s.y as
    // y(i)*s(i)), and the alpha the last direction gave it.
    std::span<const double> s(std::int32_t p) const { return {s_column(slot_of(p)), n_}; }
    std::span<const double> y(std::int32_t p) const { return {y_column(slot_of(p)), n_}; }
    double sy(std::int32_t p) const { return slots_[slot_of(p)].sy; }
    double yy(std::int32_t p) const { return slots_[slot_of(p)].yy; }
    double alpha(std::int32_t p) const { return slots_[slot_of(p)].alpha; }

    // Stores s and y as the newest pair, with their s.y and y.y, in one pass.
    void store(std::span<const double> s, std::span<const double> y) {
        if (s.size() != n_ || y.size() != n_)
            throw std::invalid_argument("nlp: correction pair of the wrong length");
        const std::size_t j = advance();
        double* const rs = s_column(j);
        double* const ry = y_column(j);
        const double* const sv = s.data();
        const double* const yv = y.data();
        double sy = 0.0;
        double yy = 0.0;
        nlp::ascending(
            n_,
            [&](std::size_t i) {
                rs[i] = sv[i];
                ry[i] = yv[i];
                sy = sy + ry[i] * rs[i];
                yy = yy + ry[i] * ry[i];
            },
            sv, yv);
        slots_[j].sy = sy;
        slots_[j].yy = yy;
    }

    // d := -H.g, where H is the inverse Hessian approximation that the pairs held define
    // (two-loop recursion, initial matrix scaled by s.y / y.y of the newest pair).
    //   in:  g, of the pairs' length; at least one pair held.
    //   out: d (same length); the alpha of every pair.
    // Pairs are used as stored, whatever their s.y.
    void direction(std::span<const double> g, std::span<double> d) {
        if (g.size() != n_ || d.size() != n_)
            throw std::invalid_argument("nlp: direction of the wrong length");
        if (count_ == 0) throw std::logic_error("nlp: direction from an empty history");
        double* const dv = d.data();
        const double* const gv = g.data();
        // d := g, and the newest pair's s.d for the backward pass
        double sum = 0.0;
        const double* const s = s_column(slot_of(count_ - 1));
        nlp::ascending(
            n_,
            [&](std::size_t i) {
                dv[i] = gv[i];
                sum = sum + dv[i] * s[i];
            },
            gv, s);
        finish_direction(dv, sum);
    }

    // Stores change as the newest pair, then d as direction gives it: the store and the first
    // of the direction's sums in one pass, which also finds the largest |g(i)| (norm's value for
    // g). Returns that largest magnitude. change.g must be g. Nothing is stored when a length
    // is wrong.
    double store_and_direction(const pair_change& change, std::span<double> d) {
        const std::size_t n = n_;
        if (change.x.size() != n || change.saved_x.size() != n || change.g.size() != n ||
            change.saved_g.size() != n)
            throw std::invalid_argument("nlp: correction pair of the wrong length");
        if (d.size() != n) throw std::invalid_argument("nlp: direction of the wrong length");
        const std::size_t j = advance();
        double* const rs = s_column(j);
        double* const ry = y_column(j);
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
        slots_[j].sy = sy;
        slots_[j].yy = yy;
        finish_direction(dv, sum);
        return largest;
    }

private:
    // A pair's columns, s then y, and its sums.
    struct slot {
        std::unique_ptr<double[]> columns;
        double sy, yy;
        double alpha;  // written by the recursion
    };

    // The column slot of pair p.
    std::size_t slot_of(std::int32_t p) const {
        if (p < 0 || p >= count_) throw std::out_of_range("nlp: no such correction pair");
        const std::int64_t oldest = std::int64_t{newest_} + 1 - count_;
        return static_cast<std::size_t>((oldest + p + capacity_) % capacity_);
    }
    double* s_column(std::size_t slot) const { return slots_[slot].columns.get(); }
    double* y_column(std::size_t slot) const { return slots_[slot].columns.get() + n_; }

    // Makes room for a new newest pair and returns its slot: a new slot at the end while fewer
    // than capacity pairs are held (the slots are then in order, oldest first), the oldest's
    // slot afterwards. Changes nothing when it fails.
    std::size_t advance() {
        if (count_ == capacity_) {
            newest_ = newest_ + 1 == capacity_ ? 0 : newest_ + 1;
            return static_cast<std::size_t>(newest_);
        }
        if (n_ > std::numeric_limits<std::size_t>::max() / sizeof(double) / 2)
            throw std::length_error("nlp: correction pairs too long to keep");
        // left unwritten: the store writes every entry
        slots_.push_back({std::make_unique_for_overwrite<double[]>(2 * n_), 0.0, 0.0, 0.0});
        newest_ = count_;
        count_ = count_ + 1;
        return static_cast<std::size_t>(newest_);
    }

    // The two-loop recursion after its first pass, which has set d := g and summed
    // sum = s.d of the newest pair.
    //
    // The 2m sums depend on each other through alpha and beta, so they run one after another
    // and each makes one pass: a pass finishes one step of the recursion and, in the same
    // sweep, forms the sum that the next step needs from the entries it has just written.
    // Every sum still runs in ascending i from 0.0 over the same values, so the result is that
    // of the plain recursion. y.y of the newest pair was summed when the pair was stored.
    void finish_direction(double* dv, double sum) {
        const std::size_t n = n_;
        const std::int32_t newest = count_ - 1;
        const std::size_t newest_slot = slot_of(newest);
        const double gamma = slots_[newest_slot].sy / slots_[newest_slot].yy;

        // backward pass, newest to oldest: alpha = s.d / sy; d := d - alpha * y; after the
        // oldest, the initial scaling d := d * gamma
        for (std::int32_t p = newest;; --p) {
            const std::size_t j = slot_of(p);
            slots_[j].alpha = sum / slots_[j].sy;
            const double alpha = slots_[j].alpha;
            const double* const y = y_column(j);
            sum = 0.0;
            if (p == 0) {
                // the forward pass starts with this same pair: its y.d after the scaling
                nlp::ascending(
                    n,
                    [&](std::size_t i) {
                        const double reduced = dv[i] - alpha * y[i];
                        dv[i] = reduced * gamma;
                        sum = sum + dv[i] * y[i];
                    },
                    y);
                break;
            }
            const double* const s = s_column(slot_of(p - 1));
            nlp::ascending(
                n,
                [&](std::size_t i) {
                    dv[i] = dv[i] - alpha * y[i];
                    sum = sum + dv[i] * s[i];
                },
                y, s);
        }

        // forward pass, oldest to newest: beta = y.d / sy; d := d + (alpha - beta) * s; after
        // the newest, d := -d
        for (std::int32_t p = 0;; ++p) {
            const std::size_t j = slot_of(p);
            const double beta = sum / slots_[j].sy;
            const double step = slots_[j].alpha - beta;
            const double* const s = s_column(j);
            if (p == newest) {
                for (std::size_t i = 0; i < n; ++i) dv[i] = -(dv[i] + step * s[i]);
                break;
            }
            const double* const y = y_column(slot_of(p + 1));
            sum = 0.0;
            nlp::ascending(
                n,
                [&](std::size_t i) {
                    dv[i] = dv[i] + step * s[i];
                    sum = sum + dv[i] * y[i];
                },
                s, y);
        }
    }

    std::size_t n_;
    std::int32_t capacity_;
    std::int32_t count_ = 0;
    std::int32_t newest_ = -1;  // slot of the newest pair
    std::vector<slot> slots_;
};

}  // namespace nlp
