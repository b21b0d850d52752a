// The pressures section after the loads: read only after a header whose first word is
// "pressures" in any case, held by element in ascending order, and each faulty section reported
// as one input.txt:L:C: line by both programs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/input_text.hpp"

namespace {

using namespace input_text;

// The one-triangle sheet with a second element, so that order and repeats can show.
const std::string two_elements = replaced(one_triangle, "1\n  element N1 N2 N3\n1 1 2 3\n",
                                          "2\n  element N1 N2 N3\n2 3 2 1\n1 1 2 3\n");
const auto base_lines = std::count(two_elements.begin(), two_elements.end(), '\n');

// "input.txt:L:C: " for line `line` of the text after two_elements.
std::string at(int line, int column) {
    return "input.txt:" + std::to_string(base_lines + line) + ":" + std::to_string(column) + ": ";
}

// The pressures both readers hold after the two-element sheet and the text after it.
std::vector<std::pair<std::int32_t, double>> pressures_of(const std::string& after) {
    std::vector<std::pair<std::int32_t, double>> out;
    for (const sheet::pressure& p : read_melvar(two_elements + after).problem.pressures)
        out.emplace_back(p.element, p.value);
    EXPECT_EQ(read_dorvan(two_elements + after).problem.pressures.size(), out.size());
    return out;
}

TEST(pressures, are_read_after_their_header_in_element_order) {
    using read = std::vector<std::pair<std::int32_t, double>>;
    for (const char* none : {"", "notes\n: loads again\n12 3\n", ": pressures\n0\n"})
        EXPECT_EQ(pressures_of(none), read{}) << none;
    EXPECT_EQ(pressures_of(": pressures  element pressure\n2\n  e p\n2 -0.5\n1 2.5E-3\n"),
              (read{{1, 2.5E-3}, {2, -0.5}}));
    EXPECT_EQ(pressures_of("text\n: notes\n:PRESSURES\r\n1\r\n  e p\r\n2 7\r\nend\n"),
              (read{{2, 7.0}}));
    EXPECT_EQ(pressures_of(" : pressures\n: Pressures\t(follower)\n1\n\n1 1\n"), (read{{1, 1.0}}));
}

struct faulty {
    std::string section;
    std::string report;
};

class faulty_pressures : public ::testing::TestWithParam<faulty> {};

TEST_P(faulty_pressures, are_reported_on_one_line) {
    const std::string text = two_elements + GetParam().section;
    EXPECT_EQ(melvar_failure(text), GetParam().report);
    EXPECT_EQ(dorvan_failure(text), GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(
    each, faulty_pressures,
    ::testing::Values(
        faulty{": pressures\n1\n  e p\n3 0.1\n",
               at(4, 1) + "index out of range: element 3 is not in 1..2"},
        faulty{
            ": pressures\n3\n  e p\n2 0.1\n1 0.2\n2 0.3\n",
            at(6, 1) + "repeated element: element 2 has its pressure on pressure line 1 already"},
        faulty{": pressures\n1\n  e p\n1 1e999\n",
               at(4, 3) + "malformed number: expected the pressure of pressure line 1 (its "
                          "magnitude is beyond double precision)"},
        faulty{": pressures\n1\n  e p\n1 0.1\n  2 0.2\n",
               at(5, 3) + "count mismatch: more pressure lines follow than the count of 1"},
        faulty{": pressures\n0\n2 0.2\n: more\n",
               at(3, 1) + "count mismatch: more pressure lines follow than the count of 0"},
        faulty{": pressures\n3\n  e p\n1 0.1\n",
               at(4, 1) + "end of file: expected 3 pressure lines, more than the rest of the "
                          "file can hold"},
        faulty{": pressures\n2\n  e p\n1 0.1\n: next\n2 0.2\n",
               at(5, 1) + "malformed number: expected the element of pressure line 2"},
        faulty{": pressures\n-1\n",
               at(2, 1) + "count mismatch: the count of pressures is -1, below 0"}));

}  // namespace
