// The Arruda-Boyce series coefficients derived from the locking stretch, directly and as the
// material section of input.txt sets them.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <variant>

#include "melvar/program.hpp"
#include "sheet/input/scanner.hpp"

namespace {

// For a lock of 2.0 or 1.5 every power of the lock is exact in double precision, so each
// coefficient is one correctly rounded quotient: the values are compared for exact equality.
TEST(boyce_coefficients, lock_two_gives_the_worked_values_exactly) {
    const std::array<double, 5> c = melvar::boyce_coefficients(2.0);
    EXPECT_EQ(c[0], 0.5);
    EXPECT_EQ(c[1], 0.0125);
    EXPECT_EQ(c[2], 0.0006547619047619047);
    EXPECT_EQ(c[3], 4.2410714285714285E-05);
    EXPECT_EQ(c[4], 3.00904452690167E-06);
}

TEST(boyce_coefficients, lock_one_and_a_half_divides_by_the_exact_even_powers) {
    const std::array<double, 5> c = melvar::boyce_coefficients(1.5);
    EXPECT_EQ(c[0], 0.5);
    EXPECT_EQ(c[1], 0.05 / 2.25);
    EXPECT_EQ(c[2], 0.010476190476190476 / 5.0625);
    EXPECT_EQ(c[3], 0.0027142857142857142 / 11.390625);
    EXPECT_EQ(c[4], 0.0007703153988868275 / 25.62890625);
}

// A lock whose powers round: the series 1/20, 11/1050, 19/7000, 519/673750 over L^2..L^8,
// evaluated in exact rational arithmetic and rounded once; agreement to 4 units in the last
// place (EXPECT_DOUBLE_EQ), whatever the order of the roundings of the power.
TEST(boyce_coefficients, rounded_lock_agrees_with_the_exact_series) {
    const std::array<double, 5> c = melvar::boyce_coefficients(1.1);
    EXPECT_EQ(c[0], 0.5);
    EXPECT_DOUBLE_EQ(c[1], 0.04132231404958677);
    EXPECT_DOUBLE_EQ(c[2], 0.0071553790562055);
    EXPECT_DOUBLE_EQ(c[3], 0.001532143524431681);
    EXPECT_DOUBLE_EQ(c[4], 0.00035935781866990946);
}

melvar::model read(const std::string& material_line) {
    const std::string text =
        ": settings\n0.9 10 0.001 1.0 100 5\n: sheet\n" + material_line +
        "\n: nodes\n3\nnode x y z\n1 0 0 0\n2 1 0 0\n3 0 1 0\n: elements\n1\ne n1 n2 n3\n"
        "1 1 2 3\n: prescribed\n0\n: loads\n0\n";
    sheet::scanner in("input.txt", text);
    melvar::model m;
    melvar::program::input(m, in);
    return m;
}

TEST(boyce_coefficients, material_three_reads_two_constants_and_sets_the_series) {
    const melvar::model m = read("0.1 3 1.25 2.0 7.0");
    EXPECT_EQ(m.problem.thickness, 0.1);
    const auto& law = std::get<melvar::arruda_boyce>(m.law);
    EXPECT_EQ(law.shear, 1.25);
    EXPECT_EQ(law.lock, 2.0);
    const std::array<double, 5> expected = melvar::boyce_coefficients(2.0);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(law.coefficient[i], expected[i]) << i;
    // The discarded third constant left the next section intact.
    EXPECT_EQ(m.problem.mesh.node_count, 3);
}

TEST(boyce_coefficients, other_laws_read_their_own_constants_only) {
    const melvar::model neo = read("0.5 1 1.0 100.0");
    EXPECT_EQ(std::get<melvar::neo_hookean>(neo.law).shear, 1.0);
    const melvar::model mooney = read("0.5 2 0.4 0.15 99.0");
    EXPECT_EQ(std::get<melvar::mooney_rivlin>(mooney.law).c10, 0.4);
    EXPECT_EQ(std::get<melvar::mooney_rivlin>(mooney.law).c01, 0.15);
    EXPECT_EQ(mooney.problem.mesh.node_count, 3);
}

}  // namespace
