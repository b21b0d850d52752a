// The membrane section after the loads: its model word in any case, beside the pressures section
// or alone, and each faulty section reported as one line by both programs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "sheet/model/relaxed_law.hpp"
#include "support/input_text.hpp"

namespace {

using namespace input_text;

const auto base_lines = std::count(one_triangle.begin(), one_triangle.end(), '\n');

// "input.txt:L:C: " for line `line` of the text after one_triangle.
std::string at(int line, int column) {
    return "input.txt:" + std::to_string(base_lines + line) + ":" + std::to_string(column) + ": ";
}

// Whether the law read is relaxed, and its plain law's number.
template <class Model>
std::pair<bool, int> law_of(const Model& m) {
    return {
        std::visit([](const auto& law) { return sheet::is_relaxed<std::decay_t<decltype(law)>>; },
                   m.law),
        std::visit([](const auto& law) { return law.descriptor.number; }, m.law)};
}

TEST(membrane_section, relaxes_the_law_read_by_its_number) {
    const std::pair<bool, int> plain{false, 1}, relaxed{true, 1};
    EXPECT_EQ(law_of(read_melvar(one_triangle)), plain);
    EXPECT_EQ(law_of(read_dorvan(one_triangle)), plain);
    for (const char* section :
         {": membrane  model\ntension-field\n", ": MEMBRANE\n Tension-Field\n",
          ": pressures\n1\n  element pressure\n1 0.5\n: membrane\ntension-field\n",
          ": membrane\ntension-field\n: pressures\n1\n  element pressure\n1 0.5\n"}) {
        const melvar::model m = read_melvar(one_triangle + section);
        EXPECT_EQ(law_of(m), relaxed) << section;
        EXPECT_TRUE(m.problem.tension_field) << section;
        EXPECT_EQ(law_of(read_dorvan(one_triangle + section)), relaxed) << section;
    }
    EXPECT_EQ(law_of(read_melvar(one_triangle + ": membrane\nexact\n")), plain);
    // read at its first header only
    EXPECT_EQ(law_of(read_dorvan(one_triangle + ": membrane\nexact\n: membrane\ntension-field\n")),
              plain);
}

struct faulty {
    std::string section;
    std::string report;
};

class faulty_membrane : public ::testing::TestWithParam<faulty> {};

TEST_P(faulty_membrane, is_reported_on_one_line) {
    const std::string text = one_triangle + GetParam().section;
    EXPECT_EQ(melvar_failure(text), GetParam().report);
    EXPECT_EQ(dorvan_failure(text), GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(
    each, faulty_membrane,
    ::testing::Values(faulty{": membrane\nwrinkly\n",
                             at(2, 1) + "invalid value: the membrane model is 'wrinkly', not exact "
                                        "or tension-field"},
                      faulty{": membrane\n", at(2, 1) + "end of file: expected the membrane model, "
                                                        "exact or tension-field"},
                      faulty{": membrane\n2\n",
                             at(2, 1) + "invalid value: the membrane model is '2', not exact or "
                                        "tension-field"}));

}  // namespace
