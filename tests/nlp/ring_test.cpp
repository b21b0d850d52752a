// The ring of correction pairs of limited-memory BFGS and the two-loop recursion over it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

#include "nlp/pair_ring.hpp"

namespace {

using pair_values = std::vector<double>;

std::vector<double> s_of(const nlp::pair_record* rec) {
    return {rec->s, rec->s + rec->n};
}

// The pair of iteration k: s = (k, 1), y = (2k, k + 1).
pair_values s_at(int k) {
    return {1.0 * k, 1.0};
}
pair_values y_at(int k) {
    return {2.0 * k, k + 1.0};
}

// Keeps pairs the way lbfgs does: create at iteration 1, then insert while k <= memory_size,
// rotate afterwards.
void keep(nlp::ring& pairs, int k, int memory_size) {
    const pair_values s = s_at(k), y = y_at(k);
    if (k == 1) {
        const nlp::ring_ends ends = nlp::create(s, y);
        pairs.first = ends.first;
        pairs.last = ends.last;
    } else if (k <= memory_size) {
        pairs.last = nlp::insert(pairs.first, pairs.last, s, y);
    } else {
        const nlp::ring_ends moved = nlp::rotate(pairs.first, pairs.last, s, y);
        pairs.first = moved.first;
        pairs.last = moved.last;
    }
}

// The iterations whose pairs the ring holds, oldest first, read along next.
std::vector<int> held(const nlp::ring& pairs) {
    std::vector<int> out;
    const nlp::pair_record* rec = pairs.first;
    do {
        out.push_back(static_cast<int>(rec->s[0]));
        rec = rec->next;
    } while (rec != pairs.first);
    return out;
}

TEST(nlp_ring, OneRecordLinksToItself) {
    nlp::ring pairs;
    keep(pairs, 1, 3);
    EXPECT_EQ(pairs.first, pairs.last);
    EXPECT_EQ(pairs.first->prev, pairs.first);
    EXPECT_EQ(pairs.first->next, pairs.first);
    EXPECT_EQ(pairs.first->n, 2);
    EXPECT_EQ(pairs.first->sy, 2.0 * 1.0 + 2.0 * 1.0);
}

TEST(nlp_ring, FillsToMemorySizeThenRecyclesTheOldest) {
    nlp::ring pairs;
    const std::vector<std::int32_t> sizes = {1, 2, 3, 3, 3};
    nlp::pair_record* record_of_first_pair = nullptr;
    for (int k = 1; k <= 5; ++k) {
        keep(pairs, k, 3);
        EXPECT_EQ(nlp::ring_size(pairs.first), sizes[static_cast<std::size_t>(k - 1)]) << k;
        EXPECT_EQ(s_of(pairs.last), s_at(k)) << "the newest pair is that of iteration " << k;
        EXPECT_EQ(pairs.last->next, pairs.first);
        EXPECT_EQ(pairs.first->prev, pairs.last);
        if (k == 1) record_of_first_pair = pairs.first;
        if (k == 4) {
            // the record of iteration 1 now holds the pair of iteration 4
            EXPECT_EQ(pairs.last, record_of_first_pair);
            EXPECT_EQ(held(pairs), (std::vector<int>{2, 3, 4}));
        }
    }
    EXPECT_EQ(held(pairs), (std::vector<int>{3, 4, 5}));
}

TEST(nlp_ring, PrevLeadsFromNewerToOlder) {
    nlp::ring pairs;
    for (int k = 1; k <= 4; ++k) keep(pairs, k, 4);
    std::vector<int> backward;
    const nlp::pair_record* rec = pairs.last;
    for (int i = 0; i < 4; ++i, rec = rec->prev) backward.push_back(static_cast<int>(rec->s[0]));
    EXPECT_EQ(backward, (std::vector<int>{4, 3, 2, 1}));
    EXPECT_EQ(rec, pairs.last);
}

TEST(nlp_ring, RotationRecomputesSy) {
    nlp::ring pairs;
    keep(pairs, 1, 1);
    keep(pairs, 2, 1);  // a single record, recycled
    EXPECT_EQ(nlp::ring_size(pairs.first), 1);
    EXPECT_EQ(pairs.first, pairs.last);
    EXPECT_EQ(pairs.last->sy, 4.0 * 2.0 + 3.0 * 1.0);
    EXPECT_EQ(s_of(pairs.last), s_at(2));
}

TEST(nlp_ring, MemorySizeBelowOneKeepsOnePair) {
    nlp::ring pairs;
    for (int k = 1; k <= 3; ++k) keep(pairs, k, 0);
    EXPECT_EQ(nlp::ring_size(pairs.first), 1);
    EXPECT_EQ(s_of(pairs.last), s_at(3));
}

TEST(nlp_ring, DestroyReleasesEverythingAndReturnsNullHandles) {
    const pair_values s = {1.0, 2.0, 3.0}, y = {1.0, 1.0, 1.0};
    nlp::ring_ends ends = nlp::create(s, y);
    ends.last = nlp::insert(ends.first, ends.last, s, y);
    ends.last = nlp::insert(ends.first, ends.last, s, y);
    ends = nlp::destroy(ends.first, ends.last);
    EXPECT_EQ(ends.first, nullptr);
    EXPECT_EQ(ends.last, nullptr);
}

TEST(nlp_ring, PairOfAnotherLengthIsRefused) {
    nlp::ring pairs;
    keep(pairs, 1, 2);
    const pair_values s = {1.0}, y = {1.0};
    EXPECT_THROW(nlp::rotate(pairs.first, pairs.last, s, y), std::invalid_argument);
    EXPECT_EQ(nlp::ring_size(pairs.first), 1);
}

TEST(nlp_ring, PairChangeStoresTheDifferencesAsFormedPairsWould) {
    const pair_values x = {1.5, -0.25, 3.0}, saved_x = {1.0, 0.5, 2.75};
    const pair_values g = {0.1, 0.7, -1.3}, saved_g = {0.4, -0.2, -1.0};
    pair_values s(3), y(3), d(3);
    for (std::size_t i = 0; i < 3; ++i) {
        s[i] = x[i] - saved_x[i];
        y[i] = g[i] - saved_g[i];
    }
    const nlp::pair_change change{x, saved_x, g, saved_g};
    const nlp::pending_pair pending{3};
    nlp::ring formed, changed;
    nlp::ring_ends ends = nlp::create(s, y);
    formed.first = ends.first;
    formed.last = ends.last;
    ends = nlp::create(pending);
    changed.first = ends.first;
    changed.last = ends.last;
    nlp::store_and_direction(changed.first, changed.last, change, d);
    // insert, then rotate over the oldest: every record the same, sums included
    formed.last = nlp::insert(formed.first, formed.last, y, s);
    changed.last = nlp::insert(changed.first, changed.last, pending);
    nlp::store_and_direction(changed.first, changed.last, nlp::pair_change{g, saved_g, x, saved_x},
                             d);
    ends = nlp::rotate(formed.first, formed.last, s, y);
    formed.first = ends.first;
    formed.last = ends.last;
    ends = nlp::rotate(changed.first, changed.last, pending);
    changed.first = ends.first;
    changed.last = ends.last;
    nlp::store_and_direction(changed.first, changed.last, change, d);
    const nlp::pair_record* a = formed.first;
    const nlp::pair_record* b = changed.first;
    for (int k = 0; k < 2; ++k, a = a->next, b = b->next) {
        EXPECT_EQ(s_of(a), s_of(b)) << k;
        EXPECT_EQ(std::vector<double>(a->y, a->y + 3), std::vector<double>(b->y, b->y + 3)) << k;
        EXPECT_EQ(a->sy, b->sy) << k;
        EXPECT_EQ(a->yy, b->yy) << k;
    }
    EXPECT_EQ(formed.last->yy, y[0] * y[0] + y[1] * y[1] + y[2] * y[2]);

    // a change whose four vectors differ in length is refused, also by the ring's record
    const pair_values short_one = {1.0, 2.0};
    EXPECT_THROW(nlp::store_and_direction(changed.first, changed.last,
                                          nlp::pair_change{x, saved_x, g, short_one}, d),
                 std::invalid_argument);
    pair_values short_d(2);
    EXPECT_THROW(nlp::store_and_direction(
                     changed.first, changed.last,
                     nlp::pair_change{short_one, short_one, short_one, short_one}, short_d),
                 std::invalid_argument);
    EXPECT_EQ(nlp::ring_size(changed.first), 2);
}

// -H g for the BFGS update with one pair of the scaled identity (s.y / y.y) I, formed densely.
std::vector<double> one_pair_direction(const pair_values& s, const pair_values& y,
                                       const pair_values& g) {
    const std::size_t n = g.size();
    double sy = 0.0, yy = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        sy += s[i] * y[i];
        yy += y[i] * y[i];
    }
    const double rho = 1.0 / sy, gamma = sy / yy;
    std::vector<double> d(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            double h = 0.0;  // H(i, j) = sum over k of A(i,k) gamma A(j,k) + rho s_i s_j
            for (std::size_t k = 0; k < n; ++k) {
                const double a_ik = (i == k ? 1.0 : 0.0) - rho * s[i] * y[k];
                const double a_jk = (j == k ? 1.0 : 0.0) - rho * s[j] * y[k];
                h += a_ik * gamma * a_jk;
            }
            h += rho * s[i] * s[j];
            d[i] -= h * g[j];
        }
    }
    return d;
}

// -H g with H built densely: start from (s.y / y.y) I of the newest pair, then apply the BFGS
// update H := (I - rho s y') H (I - rho y s') + rho s s' for each pair, oldest first.
std::vector<double> dense_direction(const std::vector<pair_values>& s,
                                    const std::vector<pair_values>& y, const pair_values& g) {
    const std::size_t n = g.size(), m = s.size();
    const auto dot = [n](const pair_values& a, const pair_values& b) {
        double sum = 0.0;
        for (std::size_t i = 0; i < n; ++i) sum += a[i] * b[i];
        return sum;
    };
    const double gamma = dot(s[m - 1], y[m - 1]) / dot(y[m - 1], y[m - 1]);
    std::vector<std::vector<double>> h(n, std::vector<double>(n, 0.0));
    for (std::size_t i = 0; i < n; ++i) h[i][i] = gamma;
    for (std::size_t p = 0; p < m; ++p) {
        const double rho = 1.0 / dot(s[p], y[p]);
        std::vector<std::vector<double>> a(n, std::vector<double>(n)), next = a;
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j < n; ++j)
                a[i][j] = (i == j ? 1.0 : 0.0) - rho * s[p][i] * y[p][j];
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j < n; ++j) {
                double sum = 0.0;  // (A H A')(i, j)
                for (std::size_t k = 0; k < n; ++k)
                    for (std::size_t l = 0; l < n; ++l) sum += a[i][k] * h[k][l] * a[j][l];
                next[i][j] = sum + rho * s[p][i] * s[p][j];
            }
        h = next;
    }
    std::vector<double> d(n, 0.0);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) d[i] -= h[i][j] * g[j];
    return d;
}

TEST(nlp_direction, SeveralPairsGiveTheLimitedMemoryBfgsDirection) {
    const std::vector<pair_values> s = {{1.0, 0.0, 0.5}, {0.0, 1.0, -0.5}, {0.3, -0.2, 0.4}};
    const std::vector<pair_values> y = {{2.0, 0.1, 1.0}, {0.2, 3.0, -1.0}, {0.9, -0.5, 1.1}};
    const pair_values g = {0.7, -0.4, 1.3};
    nlp::ring pairs;
    const nlp::ring_ends ends = nlp::create(s[0], y[0]);
    pairs.first = ends.first;
    pairs.last = ends.last;
    pairs.last = nlp::insert(pairs.first, pairs.last, s[1], y[1]);
    pairs.last = nlp::insert(pairs.first, pairs.last, s[2], y[2]);
    std::vector<double> d(3);
    nlp::direction(pairs.first, pairs.last, g, d);
    const std::vector<double> expected = dense_direction(s, y, g);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(d[i], expected[i], 1e-13) << i;

    // after a rotation the oldest pair is gone and the new one is the newest
    const pair_values s4 = {-0.1, 0.6, 0.2}, y4 = {-0.3, 1.2, 0.5};
    const nlp::ring_ends moved = nlp::rotate(pairs.first, pairs.last, s4, y4);
    pairs.first = moved.first;
    pairs.last = moved.last;
    nlp::direction(pairs.first, pairs.last, g, d);
    const std::vector<double> rotated = dense_direction({s[1], s[2], s4}, {y[1], y[2], y4}, g);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(d[i], rotated[i], 1e-13) << i;
}

TEST(nlp_direction, OnePairGivesTheScaledBfgsDirection) {
    const pair_values s = {0.5, -0.25, 1.0}, y = {1.5, 0.5, 2.0}, g = {0.3, -0.7, 0.2};
    nlp::ring pairs;
    const nlp::ring_ends ends = nlp::create(s, y);
    pairs.first = ends.first;
    pairs.last = ends.last;
    std::vector<double> d(3);
    nlp::direction(pairs.first, pairs.last, g, d);
    const std::vector<double> expected = one_pair_direction(s, y, g);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(d[i], expected[i], 1e-14) << i;
}

TEST(nlp_direction, MeetsTheSecantConditionOfTheNewestPair) {
    // H y = s for the newest pair, so the direction for g = y is -s
    nlp::ring pairs;
    const nlp::ring_ends ends = nlp::create(pair_values{1.0, 0.0, 0.5}, pair_values{2.0, 0.1, 1.0});
    pairs.first = ends.first;
    pairs.last = ends.last;
    pairs.last = nlp::insert(pairs.first, pairs.last, pair_values{0.0, 1.0, -0.5},
                             pair_values{0.2, 3.0, -1.0});
    const pair_values s = {0.3, -0.2, 0.4}, y = {0.9, -0.5, 1.1};
    pairs.last = nlp::insert(pairs.first, pairs.last, s, y);
    std::vector<double> d(3);
    nlp::direction(pairs.first, pairs.last, y, d);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(d[i], -s[i], 1e-14) << i;
}

TEST(nlp_direction, PairsAreUsedOldestToNewest) {
    // the same pairs inserted in the other order give another matrix
    const pair_values s1 = {1.0, 0.0}, y1 = {2.0, 0.5}, s2 = {0.0, 1.0}, y2 = {0.3, 1.0};
    const pair_values g = {1.0, 1.0};
    nlp::ring a, b;
    nlp::ring_ends ends = nlp::create(s1, y1);
    a.first = ends.first;
    a.last = nlp::insert(ends.first, ends.last, s2, y2);
    ends = nlp::create(s2, y2);
    b.first = ends.first;
    b.last = nlp::insert(ends.first, ends.last, s1, y1);
    std::vector<double> da(2), db(2);
    nlp::direction(a.first, a.last, y2, da);
    nlp::direction(b.first, b.last, y2, db);
    EXPECT_NEAR(da[0], -s2[0], 1e-15);
    EXPECT_NEAR(da[1], -s2[1], 1e-15);
    EXPECT_GT(std::abs(db[0] + s2[0]) + std::abs(db[1] + s2[1]), 1e-3);
}

TEST(nlp_direction, WritesAlphaOfEveryRecord) {
    nlp::ring pairs;
    for (int k = 1; k <= 3; ++k) keep(pairs, k, 3);
    const pair_values g = {1.0, -1.0};
    std::vector<double> d(2);
    nlp::direction(pairs.first, pairs.last, g, d);
    // the newest record is processed first: alpha = s.g / sy
    EXPECT_EQ(pairs.last->alpha, (3.0 * 1.0 + 1.0 * -1.0) / pairs.last->sy);
}

}  // namespace
