// The fused two-loop recursion, also with each pair stored in its first pass as lbfgs does,
// against the recursion written straight from its formulas, one sum or update per loop: the same
// bits, on random pairs, for every history occupancy up to m.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "nlp/norm.hpp"
#include "nlp/pair_history.hpp"

namespace {

using vec = std::vector<double>;

double dot(const vec& a, const vec& b) {
    double sum = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) sum = sum + a[i] * b[i];
    return sum;
}

// -H g for the pairs s[0..], y[0..] (oldest first); alpha receives each pair's coefficient.
vec plain_direction(const std::vector<vec>& s, const std::vector<vec>& y, const vec& g,
                    vec& alpha) {
    const std::size_t m = s.size(), n = g.size();
    vec d = g, sy(m);
    alpha.assign(m, 0.0);
    for (std::size_t p = 0; p < m; ++p) sy[p] = dot(y[p], s[p]);
    for (std::size_t p = m; p-- > 0;) {
        alpha[p] = dot(d, s[p]) / sy[p];
        for (std::size_t i = 0; i < n; ++i) d[i] = d[i] - alpha[p] * y[p][i];
    }
    const double gamma = sy[m - 1] / dot(y[m - 1], y[m - 1]);
    for (std::size_t i = 0; i < n; ++i) d[i] = d[i] * gamma;
    for (std::size_t p = 0; p < m; ++p) {
        const double beta = dot(d, y[p]) / sy[p];
        for (std::size_t i = 0; i < n; ++i) d[i] = d[i] + (alpha[p] - beta) * s[p][i];
    }
    for (std::size_t i = 0; i < n; ++i) d[i] = -d[i];
    return d;
}

bool same_bits(const vec& a, const vec& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

struct occupancy_case {
    int memory;
    std::size_t n;  // below, at and past whole cache lines of the passes
};
void PrintTo(const occupancy_case& c, std::ostream* out) {
    *out << "memory " << c.memory << ", n " << c.n;
}

class nlp_direction_bits : public testing::TestWithParam<occupancy_case> {};

TEST_P(nlp_direction_bits, FusedPassesGiveThePlainRecursionBitForBit) {
    const int memory = GetParam().memory;
    const std::size_t n = GetParam().n;
    std::mt19937_64 random(static_cast<unsigned>(static_cast<std::size_t>(memory) * 1000 + n));
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    vec x(n), saved_x(n), g(n), saved_g(n);
    const nlp::pair_change change{x, saved_x, g, saved_g};
    std::vector<vec> s_all, y_all;
    // pairs stored as formed, and pairs stored in the first pass of the direction as lbfgs does
    nlp::pair_history pairs(n, memory), pending(n, memory);
    for (int k = 1; k <= memory + 3; ++k) {
        // any sign of s.y: pairs are used as stored
        for (vec* v : {&x, &saved_x, &g, &saved_g})
            for (double& value : *v) value = unit(random);
        s_all.emplace_back(n);
        y_all.emplace_back(n);
        for (std::size_t i = 0; i < n; ++i) {
            s_all.back()[i] = x[i] - saved_x[i];
            y_all.back()[i] = g[i] - saved_g[i];
        }
        pairs.store(s_all.back(), y_all.back());
        const std::size_t held = static_cast<std::size_t>(k < memory ? k : memory);
        const std::vector<vec> s(s_all.end() - static_cast<std::ptrdiff_t>(held), s_all.end());
        const std::vector<vec> y(y_all.end() - static_cast<std::ptrdiff_t>(held), y_all.end());
        vec alpha;
        const vec expected = plain_direction(s, y, g, alpha);
        vec d(n), d_pending(n);
        pairs.direction(g, d);
        EXPECT_TRUE(same_bits(d, expected)) << "memory " << memory << ", n " << n << ", k " << k;
        EXPECT_EQ(pending.store_and_direction(change, d_pending), nlp::norm(g));
        EXPECT_TRUE(same_bits(d_pending, expected)) << "stored in the first pass, k " << k;
        ASSERT_EQ(static_cast<std::size_t>(pairs.size()), held);
        ASSERT_EQ(static_cast<std::size_t>(pending.size()), held);
        for (std::int32_t p = 0; p < pairs.size(); ++p) {
            const auto at = static_cast<std::size_t>(p);
            EXPECT_TRUE(same_bits({pairs.alpha(p)}, {alpha[at]})) << "pair " << p << ", k " << k;
            EXPECT_TRUE(same_bits({pairs.alpha(p), pairs.sy(p), pairs.yy(p)},
                                  {pending.alpha(p), pending.sy(p), pending.yy(p)}))
                << "stored in the first pass, pair " << p << ", k " << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Memories, nlp_direction_bits,
                         testing::Values(occupancy_case{1, 3}, occupancy_case{2, 8},
                                         occupancy_case{5, 1003}, occupancy_case{10, 135},
                                         occupancy_case{10, 1}),
                         [](const testing::TestParamInfo<occupancy_case>& info) {
                             return "m" + std::to_string(info.param.memory) + "_n" +
                                    std::to_string(info.param.n);
                         });

}  // namespace
