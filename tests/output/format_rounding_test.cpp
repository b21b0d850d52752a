// The scientific formats round the exact binary value to nearest, whatever way the digits are
// found: checked against the C library's exact conversion on values of every ordinary size and
// on values next to the halfway points between two printable results.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "sheet/output/format.hpp"

namespace {

std::string library_text(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*E", decimals, value);
    return (value < 0.0 ? "" : " ") + std::string(text);
}

std::string our_text(double value, int decimals) {
    std::string out;
    sheet::put_real(out, value, decimals);
    return out;
}

TEST(format_rounding, agrees_with_the_exact_conversion_across_magnitudes) {
    std::mt19937_64 engine(2024);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 200000; ++i) {
        const double value = std::pow(10.0, -17.0 + 34.0 * unit(engine)) * (i % 2 ? -1.0 : 1.0);
        for (const int decimals : {6, 8})
            ASSERT_EQ(our_text(value, decimals), library_text(value, decimals)) << value;
    }
}

TEST(format_rounding, agrees_next_to_halfway_points) {
    std::mt19937_64 engine(7);
    std::uniform_int_distribution<long long> mantissa(100000000LL, 999999999LL);
    std::uniform_int_distribution<int> exponent(-14, 14);
    for (int i = 0; i < 100000; ++i) {
        for (const int decimals : {6, 8}) {
            // a printable result with one more digit 5: the halfway point between two results
            const long long digits = mantissa(engine) / (decimals == 6 ? 100 : 1);
            const double halfway =
                (static_cast<double>(digits) + 0.5) * std::pow(10.0, exponent(engine) - decimals);
            for (const double value :
                 {halfway, std::nextafter(halfway, 0.0), std::nextafter(halfway, 1e300)})
                ASSERT_EQ(our_text(value, decimals), library_text(value, decimals)) << value;
        }
    }
}

}  // namespace
