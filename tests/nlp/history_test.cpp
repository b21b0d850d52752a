// The history of correction pairs of limited-memory BFGS and the two-loop recursion over it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

#include "nlp/pair_history.hpp"

namespace {

using pair_values = std::vector<double>;

std::vector<double> copy_of(std::span<const double> v) {
    return {v.begin(), v.end()};
}

// The pair of iteration k: s = (k, 1), y = (2k, k + 1).
pair_values s_at(int k) {
    return {1.0 * k, 1.0};
}
pair_values y_at(int k) {
    return {2.0 * k, k + 1.0};
}

// Keeps the pair of iteration k.
void keep(nlp::pair_history& pairs, int k) {
    pairs.store(s_at(k), y_at(k));
}

// The iterations whose pairs the history holds, oldest first.
std::vector<int> held(const nlp::pair_history& pairs) {
    std::vector<int> out;
    out.reserve(static_cast<std::size_t>(pairs.size()));
    for (std::int32_t p = 0; p < pairs.size(); ++p) out.push_back(static_cast<int>(pairs.s(p)[0]));
    return out;
}

TEST(nlp_history, OnePairHoldsItsValuesAndSums) {
    nlp::pair_history pairs(2, 3);
    EXPECT_EQ(pairs.size(), 0);
    keep(pairs, 1);
    EXPECT_EQ(pairs.size(), 1);
    EXPECT_EQ(pairs.length(), 2u);
    EXPECT_EQ(copy_of(pairs.s(0)), s_at(1));
    EXPECT_EQ(copy_of(pairs.y(0)), y_at(1));
    EXPECT_EQ(pairs.sy(0), 2.0 * 1.0 + 2.0 * 1.0);
    EXPECT_EQ(pairs.yy(0), 2.0 * 2.0 + 2.0 * 2.0);
}

TEST(nlp_history, FillsToCapacityThenReplacesTheOldestInItsColumns) {
    nlp::pair_history pairs(2, 3);
    const std::vector<std::int32_t> sizes = {1, 2, 3, 3, 3};
    std::vector<const double*> columns;  // where the pairs of iterations 1, 2, 3 were stored
    for (int k = 1; k <= 5; ++k) {
        keep(pairs, k);
        EXPECT_EQ(pairs.size(), sizes[static_cast<std::size_t>(k - 1)]) << k;
        EXPECT_EQ(copy_of(pairs.s(pairs.size() - 1)), s_at(k))
            << "the newest pair is that of iteration " << k;
        EXPECT_EQ(copy_of(pairs.y(pairs.size() - 1)), y_at(k)) << k;
        if (k == 3)
            for (std::int32_t p = 0; p < 3; ++p) columns.push_back(pairs.s(p).data());
        if (k == 4) {
            // the columns of iteration 1 now hold the pair of iteration 4: nothing was allocated
            EXPECT_EQ(pairs.s(2).data(), columns[0]);
            EXPECT_EQ(pairs.s(0).data(), columns[1]);
            EXPECT_EQ(held(pairs), (std::vector<int>{2, 3, 4}));
        }
    }
    EXPECT_EQ(held(pairs), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(pairs.s(2).data(), columns[1]);
    EXPECT_EQ(pairs.capacity(), 3);
}

TEST(nlp_history, ReplacingTheOldestRecomputesItsSums) {
    nlp::pair_history pairs(2, 1);
    keep(pairs, 1);
    keep(pairs, 2);  // a single pair, replaced
    EXPECT_EQ(pairs.size(), 1);
    EXPECT_EQ(pairs.sy(0), 4.0 * 2.0 + 3.0 * 1.0);
    EXPECT_EQ(pairs.yy(0), 4.0 * 4.0 + 3.0 * 3.0);
    EXPECT_EQ(copy_of(pairs.s(0)), s_at(2));
}

TEST(nlp_history, CapacityBelowOneKeepsOnePair) {
    for (const std::int32_t capacity : {0, -4}) {
        nlp::pair_history pairs(2, capacity);
        for (int k = 1; k <= 3; ++k) keep(pairs, k);
        EXPECT_EQ(pairs.capacity(), 1);
        EXPECT_EQ(pairs.size(), 1);
        EXPECT_EQ(copy_of(pairs.s(0)), s_at(3));
    }
}

TEST(nlp_history, PairOfAnotherLengthIsRefusedAndNothingChanges) {
    nlp::pair_history pairs(2, 2);
    keep(pairs, 1);
    const pair_values one = {1.0}, three = {1.0, 2.0, 3.0};
    EXPECT_THROW(pairs.store(one, one), std::invalid_argument);
    EXPECT_THROW(pairs.store(s_at(2), three), std::invalid_argument);
    EXPECT_EQ(pairs.size(), 1);
    EXPECT_EQ(held(pairs), (std::vector<int>{1}));
}

TEST(nlp_history, PairsOutsideTheHeldOnesAreRefused) {
    nlp::pair_history pairs(2, 3);
    EXPECT_THROW((void)pairs.s(0), std::out_of_range);
    keep(pairs, 1);
    keep(pairs, 2);
    EXPECT_THROW((void)pairs.y(2), std::out_of_range);
    EXPECT_THROW((void)pairs.sy(-1), std::out_of_range);
    EXPECT_NO_THROW((void)pairs.alpha(1));
}

TEST(nlp_history, PairChangeStoresTheDifferencesAsFormedPairsWould) {
    const pair_values x = {1.5, -0.25, 3.0}, saved_x = {1.0, 0.5, 2.75};
    const pair_values g = {0.1, 0.7, -1.3}, saved_g = {0.4, -0.2, -1.0};
    pair_values s(3), y(3), d(3);
    for (std::size_t i = 0; i < 3; ++i) {
        s[i] = x[i] - saved_x[i];
        y[i] = g[i] - saved_g[i];
    }
    const nlp::pair_change change{x, saved_x, g, saved_g};
    nlp::pair_history formed(3, 2), changed(3, 2);
    formed.store(s, y);
    changed.store_and_direction(change, d);
    // a second pair, then a third over the oldest: every pair the same, sums included
    formed.store(y, s);
    changed.store_and_direction(nlp::pair_change{g, saved_g, x, saved_x}, d);
    formed.store(s, y);
    changed.store_and_direction(change, d);
    ASSERT_EQ(changed.size(), 2);
    for (std::int32_t p = 0; p < 2; ++p) {
        EXPECT_EQ(copy_of(formed.s(p)), copy_of(changed.s(p))) << p;
        EXPECT_EQ(copy_of(formed.y(p)), copy_of(changed.y(p))) << p;
        EXPECT_EQ(formed.sy(p), changed.sy(p)) << p;
        EXPECT_EQ(formed.yy(p), changed.yy(p)) << p;
    }
    EXPECT_EQ(formed.yy(1), y[0] * y[0] + y[1] * y[1] + y[2] * y[2]);

    // a change whose four vectors differ in length, or that of another length than the
    // history's, is refused and stores nothing
    const pair_values short_one = {1.0, 2.0};
    EXPECT_THROW(changed.store_and_direction(nlp::pair_change{x, saved_x, g, short_one}, d),
                 std::invalid_argument);
    pair_values short_d(2);
    EXPECT_THROW(changed.store_and_direction(
                     nlp::pair_change{short_one, short_one, short_one, short_one}, short_d),
                 std::invalid_argument);
    EXPECT_THROW(changed.store_and_direction(change, short_d), std::invalid_argument);
    EXPECT_EQ(changed.size(), 2);
    EXPECT_EQ(copy_of(changed.s(1)), s);
}

TEST(nlp_history, StoreAndDirectionReturnsTheLargestGradientMagnitude) {
    const pair_values x = {1.0, 2.0, 3.0}, saved_x = {0.5, 2.5, 2.0};
    const pair_values g = {0.25, -4.5, 3.0}, saved_g = {1.0, -3.0, 2.0};
    pair_values d(3);
    nlp::pair_history pairs(3, 2);
    EXPECT_EQ(pairs.store_and_direction(nlp::pair_change{x, saved_x, g, saved_g}, d), 4.5);
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
    nlp::pair_history pairs(3, 3);
    for (std::size_t p = 0; p < 3; ++p) pairs.store(s[p], y[p]);
    std::vector<double> d(3);
    pairs.direction(g, d);
    const std::vector<double> expected = dense_direction(s, y, g);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(d[i], expected[i], 1e-13) << i;

    // once full, the oldest pair is gone and the new one is the newest
    const pair_values s4 = {-0.1, 0.6, 0.2}, y4 = {-0.3, 1.2, 0.5};
    pairs.store(s4, y4);
    pairs.direction(g, d);
    const std::vector<double> rotated = dense_direction({s[1], s[2], s4}, {y[1], y[2], y4}, g);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(d[i], rotated[i], 1e-13) << i;
}

TEST(nlp_direction, OnePairGivesTheScaledBfgsDirection) {
    const pair_values s = {0.5, -0.25, 1.0}, y = {1.5, 0.5, 2.0}, g = {0.3, -0.7, 0.2};
    nlp::pair_history pairs(3, 5);
    pairs.store(s, y);
    std::vector<double> d(3);
    pairs.direction(g, d);
    const std::vector<double> expected = one_pair_direction(s, y, g);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(d[i], expected[i], 1e-14) << i;
}

TEST(nlp_direction, MeetsTheSecantConditionOfTheNewestPair) {
    // H y = s for the newest pair, so the direction for g = y is -s
    nlp::pair_history pairs(3, 3);
    pairs.store(pair_values{1.0, 0.0, 0.5}, pair_values{2.0, 0.1, 1.0});
    pairs.store(pair_values{0.0, 1.0, -0.5}, pair_values{0.2, 3.0, -1.0});
    const pair_values s = {0.3, -0.2, 0.4}, y = {0.9, -0.5, 1.1};
    pairs.store(s, y);
    std::vector<double> d(3);
    pairs.direction(y, d);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(d[i], -s[i], 1e-14) << i;
}

TEST(nlp_direction, PairsAreUsedOldestToNewest) {
    // the same pairs stored in the other order give another matrix
    const pair_values s1 = {1.0, 0.0}, y1 = {2.0, 0.5}, s2 = {0.0, 1.0}, y2 = {0.3, 1.0};
    nlp::pair_history a(2, 2), b(2, 2);
    a.store(s1, y1);
    a.store(s2, y2);
    b.store(s2, y2);
    b.store(s1, y1);
    std::vector<double> da(2), db(2);
    a.direction(y2, da);
    b.direction(y2, db);
    EXPECT_NEAR(da[0], -s2[0], 1e-15);
    EXPECT_NEAR(da[1], -s2[1], 1e-15);
    EXPECT_GT(std::abs(db[0] + s2[0]) + std::abs(db[1] + s2[1]), 1e-3);
}

TEST(nlp_direction, WritesAlphaOfEveryPair) {
    nlp::pair_history pairs(2, 3);
    for (int k = 1; k <= 3; ++k) keep(pairs, k);
    const pair_values g = {1.0, -1.0};
    std::vector<double> d(2);
    pairs.direction(g, d);
    // the newest pair is processed first: alpha = s.g / sy
    EXPECT_EQ(pairs.alpha(2), (3.0 * 1.0 + 1.0 * -1.0) / pairs.sy(2));
    // the oldest last, after the two newer pairs have changed d
    std::vector<double> reduced = g;
    for (std::int32_t p = 2; p >= 1; --p) {
        const double alpha =
            (reduced[0] * pairs.s(p)[0] + reduced[1] * pairs.s(p)[1]) / pairs.sy(p);
        for (std::size_t i = 0; i < 2; ++i) reduced[i] = reduced[i] - alpha * pairs.y(p)[i];
    }
    EXPECT_EQ(pairs.alpha(0), (reduced[0] * 1.0 + reduced[1] * 1.0) / pairs.sy(0));
}

TEST(nlp_direction, WrongLengthsAndAnEmptyHistoryAreRefused) {
    nlp::pair_history pairs(2, 3);
    std::vector<double> d(2);
    const pair_values g = {1.0, -1.0}, long_g = {1.0, 2.0, 3.0};
    EXPECT_THROW(pairs.direction(g, d), std::logic_error);
    keep(pairs, 1);
    EXPECT_THROW(pairs.direction(long_g, d), std::invalid_argument);
    std::vector<double> long_d(3);
    EXPECT_THROW(pairs.direction(g, long_d), std::invalid_argument);
    EXPECT_NO_THROW(pairs.direction(g, d));
}

}  // namespace
