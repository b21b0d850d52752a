// The chambers section after the loads: each chamber's control and its elements held by chamber
// number, beside a pressures section or alone, and each faulty section reported as one line by
// both programs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/input_text.hpp"

namespace {

using namespace input_text;

// The one-triangle sheet with two more elements, so that order and sharing can show.
const std::string three_elements = replaced(one_triangle, "1\n  element N1 N2 N3\n1 1 2 3\n",
                                            "3\n  element N1 N2 N3\n2 3 2 1\n1 1 2 3\n3 1 3 2\n");
const auto base_lines = std::count(three_elements.begin(), three_elements.end(), '\n');

// "input.txt:L:C: " for line `line` of the text after three_elements.
std::string at(int line, int column) {
    return "input.txt:" + std::to_string(base_lines + line) + ":" + std::to_string(column) + ": ";
}

TEST(chambers, are_read_by_number_with_their_controls_and_elements) {
    const std::string section =
        ": Chambers  (volume, pressure or gas)\n3\n  chamber control values elements\n"
        "3 gas 0.1 2.0 1.4 0.5 1\n2\n"
        "1 volume -0.75 1 3\n"
        "2 pressure 2.5E-3 1\n   1\n";
    for (const std::string& before : {std::string(), std::string(": pressures\n0\n")}) {
        const melvar::model m = read_melvar(three_elements + before + section);
        const dorvan::model d = read_dorvan(three_elements + section + before);
        ASSERT_EQ(m.problem.chambers.size(), 3u);
        ASSERT_EQ(d.problem.chambers.size(), 3u);
        const sheet::chamber &volume = m.problem.chambers[0], &pressure = m.problem.chambers[1],
                             &gas = m.problem.chambers[2];
        EXPECT_EQ(volume.number, 1);
        EXPECT_EQ(volume.control, sheet::chamber_control::volume);
        EXPECT_EQ(volume.value, -0.75);
        EXPECT_EQ(volume.elements, std::vector<std::int32_t>{3});
        EXPECT_EQ(pressure.control, sheet::chamber_control::pressure);
        EXPECT_EQ(pressure.value, 2.5E-3);
        EXPECT_EQ(pressure.elements, std::vector<std::int32_t>{1});
        EXPECT_EQ(gas.control, sheet::chamber_control::gas);
        EXPECT_EQ(gas.value, 0.1);
        EXPECT_EQ(gas.reference_volume, 2.0);
        EXPECT_EQ(gas.exponent, 1.4);
        EXPECT_EQ(gas.extra_volume, 0.5);
        EXPECT_EQ(gas.elements, std::vector<std::int32_t>{2});
        EXPECT_EQ(d.problem.chambers[2].elements, gas.elements);
    }
    EXPECT_TRUE(read_melvar(three_elements + ": chambers\n0\n").problem.chambers.empty());
    EXPECT_TRUE(read_melvar(three_elements).problem.chambers.empty());
}

struct faulty {
    std::string section;
    std::string report;
};

class faulty_chambers : public ::testing::TestWithParam<faulty> {};

TEST_P(faulty_chambers, are_reported_on_one_line) {
    const std::string text = three_elements + GetParam().section;
    EXPECT_EQ(melvar_failure(text), GetParam().report);
    EXPECT_EQ(dorvan_failure(text), GetParam().report);
}

// The section's head for one and for two chambers.
const std::string one = ": chambers\n1\n  chamber control values elements\n";
const std::string two = ": chambers\n2\n  chamber control values elements\n";

INSTANTIATE_TEST_SUITE_P(
    each, faulty_chambers,
    ::testing::Values(
        faulty{": chambers\n-1\n",
               at(2, 1) + "count mismatch: the count of chambers is -1, below 0"},
        faulty{one + "3 volume 1 1 1\n", at(4, 1) + "index out of range: chamber 3 is not in 1..1"},
        faulty{two + "1 volume 1 1 1\n1 pressure 1 1 2\n",
               at(5, 1) + "repeated chamber: chamber 1 is given twice"},
        faulty{one + "1 vacuum 1 1 1\n",
               at(4, 3) + "invalid value: the control of chamber 1 is 'vacuum', not pressure, "
                          "volume or gas"},
        faulty{one + "1 gas 0.1 2.0 0 0 1 1\n",
               at(4, 15) + "invalid value: the gas exponent of chamber 1 must be above 0 (1 "
                           "isothermal, 1.4 adiabatic air)"},
        faulty{one + "1 gas 0.1 -2.0 1 1 1 1\n",
               at(4, 18) + "invalid value: chamber 1 holds no gas: its pressure and its "
                           "reference volume (with the extra volume) must be above 0"},
        faulty{one + "1 gas 0 2.0 1 0 1 1\n",
               at(4, 15) + "invalid value: chamber 1 holds no gas: its pressure and its "
                           "reference volume (with the extra volume) must be above 0"},
        faulty{one + "1 volume 1 0\n", at(4, 12) + "count mismatch: chamber 1 has no elements (0)"},
        faulty{one + "1 volume 1 1 4\n",
               at(4, 14) + "index out of range: element 4 is not in 1..3"},
        faulty{two + "1 volume 1 2 1 3\n2 pressure 1 2 2 3\n",
               at(5, 18) + "repeated element: element 3 belongs to chamber 1 already"},
        faulty{two + "1 volume 1 1 1\n2 volume 1 1 2\n3 volume 1 1 3\n",
               at(6, 1) + "count mismatch: more chamber lines follow than the count of 2"},
        faulty{one + "1 volume 1e999 1 1\n",
               at(4, 10) + "malformed number: expected the change of volume of chamber 1 (its "
                           "magnitude is beyond double precision)"},
        faulty{": pressures\n1\n  e p\n2 0.5\n" + two + "1 volume 1 1 1\n2 pressure 1 1 2\n",
               "input.txt: element 2 of chamber 2 also has a pressure of its own in the "
               "pressures section; an element belongs to one chamber or pressure at most"}));

}  // namespace
