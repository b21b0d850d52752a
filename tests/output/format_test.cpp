// Number formats of the output files: integers in a field, scientific reals with and without a
// sign column, three-digit exponents, rounding in the last digit and non-finite values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "sheet/output/format.hpp"

namespace {

std::string real(double value, int decimals) {
    std::string out;
    sheet::put_real(out, value, decimals);
    return out;
}

std::string coordinate(double value) {
    std::string out;
    sheet::put_coordinate(out, value);
    return out;
}

std::string integer(std::int64_t value, int width) {
    std::string out;
    sheet::put_integer(out, value, width);
    return out;
}

constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

struct real_case {
    double value;
    int decimals;
    const char* text;
};

// Test names: the value to the last bit, and the decimals.
void PrintTo(const real_case& c, std::ostream* out) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g_to_%d", c.value, c.decimals);
    *out << text;
}

class real_with_sign_column : public ::testing::TestWithParam<real_case> {};

TEST_P(real_with_sign_column, writes_the_expected_text) {
    const real_case c = GetParam();
    EXPECT_EQ(real(c.value, c.decimals), c.text) << "value " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    worked_values, real_with_sign_column,
    ::testing::Values(real_case{123.456789, 8, " 1.23456789E+02"},
                      real_case{123.456789, 6, " 1.234568E+02"},
                      real_case{123.456, 6, " 1.234560E+02"}, real_case{-0.25, 6, "-2.500000E-01"},
                      real_case{1.5, 6, " 1.500000E+00"}, real_case{-100.0, 6, "-1.000000E+02"},
                      real_case{0.1, 6, " 1.000000E-01"}, real_case{0.001, 6, " 1.000000E-03"},
                      real_case{1.0E+20, 8, " 1.00000000E+20"},
                      real_case{-1.0E+20, 8, "-1.00000000E+20"}));

INSTANTIATE_TEST_SUITE_P(zeros, real_with_sign_column,
                         ::testing::Values(real_case{0.0, 8, " 0.00000000E+00"},
                                           real_case{0.0, 6, " 0.000000E+00"},
                                           real_case{-0.0, 8, " 0.00000000E+00"},
                                           real_case{-0.0, 6, " 0.000000E+00"}));

INSTANTIATE_TEST_SUITE_P(
    exponents, real_with_sign_column,
    ::testing::Values(
        real_case{1.0E+99, 6, " 1.000000E+99"}, real_case{1.0E-99, 6, " 1.000000E-99"},
        real_case{1.0E-100, 6, " 1.000000E-100"}, real_case{1.0E-100, 8, " 1.00000000E-100"},
        real_case{1.0E+300, 6, " 1.000000E+300"}, real_case{-1.0E+300, 8, "-1.00000000E+300"},
        // rounding the mantissa up carries into a three-digit exponent
        real_case{9.9999999999E+99, 6, " 1.000000E+100"},
        real_case{-9.9999999999E+99, 8, "-1.00000000E+100"},
        // but not when the rounded mantissa stays below 10
        real_case{9.99999949E+99, 6, " 9.999999E+99"},
        real_case{std::numeric_limits<double>::max(), 8, " 1.79769313E+308"},
        real_case{std::numeric_limits<double>::denorm_min(), 6, " 4.940656E-324"}));

INSTANTIATE_TEST_SUITE_P(rounding_to_nearest, real_with_sign_column,
                         ::testing::Values(real_case{2.0000004, 6, " 2.000000E+00"},
                                           real_case{2.0000006, 6, " 2.000001E+00"},
                                           real_case{-2.0000006, 6, "-2.000001E+00"},
                                           real_case{1.234567891, 8, " 1.23456789E+00"},
                                           real_case{1.234567896, 8, " 1.23456790E+00"},
                                           // the carry runs through every digit into the exponent
                                           real_case{9.9999996, 6, " 1.000000E+01"},
                                           real_case{0.099999999996, 8, " 1.00000000E-01"},
                                           real_case{9.99999949, 6, " 9.999999E+00"}));

TEST(real_with_sign_column, non_finite_values_fill_the_field_width) {
    EXPECT_EQ(real(nan, 8), "            NaN");
    EXPECT_EQ(real(inf, 8), "            Inf");
    EXPECT_EQ(real(-inf, 8), "           -Inf");
    EXPECT_EQ(real(nan, 6), "          NaN");
    EXPECT_EQ(real(inf, 6), "          Inf");
    EXPECT_EQ(real(-inf, 6), "         -Inf");
    // A NaN has no sign to show.
    EXPECT_EQ(real(std::copysign(nan, -1.0), 6), "          NaN");
    EXPECT_EQ(real(inf, 8).size(), real(1.0, 8).size());
    EXPECT_EQ(real(-inf, 6).size(), real(-1.0, 6).size());
}

TEST(real_with_sign_column, appends_to_what_the_line_holds) {
    std::string line = "F,     7, FY,";
    sheet::put_real(line, -100.0, 6);
    EXPECT_EQ(line, "F,     7, FY,-1.000000E+02");
}

// The C library's %E rounds exactly and writes at least two exponent digits: an independent
// reference over reals of every magnitude.
TEST(real_with_sign_column, matches_an_exactly_rounded_reference_over_random_reals) {
    std::mt19937_64 bits(20240611);
    int checked = 0;
    while (checked < 20000) {
        double value;
        const std::uint64_t pattern = bits();
        std::memcpy(&value, &pattern, sizeof value);
        if (!std::isfinite(value)) continue;
        for (const int decimals : {6, 8}) {
            char reference[64];
            std::snprintf(reference, sizeof reference, "%c%.*E", value < 0.0 ? '-' : ' ', decimals,
                          std::fabs(value));
            ASSERT_EQ(real(value, decimals), reference) << "bits " << pattern;
        }
        ++checked;
    }
}

struct coordinate_case {
    double value;
    const char* text;
};

void PrintTo(const coordinate_case& c, std::ostream* out) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", c.value);
    *out << text;
}

class cad_coordinate : public ::testing::TestWithParam<coordinate_case> {};

TEST_P(cad_coordinate, writes_the_expected_text) {
    const coordinate_case c = GetParam();
    EXPECT_EQ(coordinate(c.value), c.text) << "value " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    values, cad_coordinate,
    ::testing::Values(coordinate_case{1.5, "1.500000E+00"}, coordinate_case{-0.25, "-2.500000E-01"},
                      coordinate_case{1.0, "1.000000E+00"}, coordinate_case{0.0, "0.000000E+00"},
                      coordinate_case{-0.0, "0.000000E+00"},
                      coordinate_case{123.456789, "1.234568E+02"},
                      coordinate_case{1.0E-100, "1.000000E-100"},
                      coordinate_case{-1.0E+300, "-1.000000E+300"},
                      coordinate_case{9.9999999999E+99, "1.000000E+100"},
                      coordinate_case{-9.9999996, "-1.000000E+01"}, coordinate_case{nan, "NaN"},
                      coordinate_case{inf, "Inf"}, coordinate_case{-inf, "-Inf"}));

TEST(cad_coordinate, three_coordinates_join_without_blanks) {
    // The vertex of a node at X = 1, Y = -0.25, Z = 0.
    std::string line;
    sheet::put_coordinate(line, 1.0);
    line += ',';
    sheet::put_coordinate(line, -0.25);
    line += ',';
    sheet::put_coordinate(line, 0.0);
    EXPECT_EQ(line, "1.000000E+00,-2.500000E-01,0.000000E+00");
}

struct integer_case {
    std::int64_t value;
    int width;
    const char* text;
};

void PrintTo(const integer_case& c, std::ostream* out) {
    *out << c.value << "_in_" << c.width;
}

class integer_in_field : public ::testing::TestWithParam<integer_case> {};

TEST_P(integer_in_field, is_right_justified_and_never_cut) {
    const integer_case c = GetParam();
    EXPECT_EQ(integer(c.value, c.width), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    values, integer_in_field,
    ::testing::Values(integer_case{1, 5, "    1"}, integer_case{0, 5, "    0"},
                      integer_case{12345, 5, "12345"}, integer_case{123456, 5, "123456"},
                      integer_case{-12, 5, "  -12"}, integer_case{-1234, 5, "-1234"},
                      integer_case{-12345, 5, "-12345"}, integer_case{25, 5, "   25"},
                      integer_case{7, 1, "7"}, integer_case{7, 0, "7"},
                      integer_case{2147483647, 5, "2147483647"},
                      integer_case{-2147483648LL, 12, " -2147483648"}));

TEST(integer_in_field, appends_to_what_the_line_holds) {
    std::string line = "N, ";
    sheet::put_integer(line, 3, 5);
    EXPECT_EQ(line, "N,     3");
}

}  // namespace
