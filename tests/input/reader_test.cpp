// The reader of input.txt on texts held in memory: the header scan, free-format numbers, the
// sections with their counts and heading lines, and each program's material section.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "support/input_text.hpp"

namespace {

using namespace input_text;

// The whole model as read, in one comparable text: what two texts that should read alike must
// agree on, down to the last bit of every real.
template <class Model>
std::string summary(const Model& m) {
    std::string s;
    const auto real = [&s](double v) {
        char text[40];
        std::snprintf(text, sizeof text, " %a", v);
        s += text;
    };
    const auto integer = [&s](std::int64_t v) {
        s += ' ';
        s += std::to_string(v);
    };
    real(m.problem.settings.search_factor);
    integer(m.problem.settings.search_limit);
    real(m.problem.settings.tolerance_factor);
    real(m.problem.settings.reference_force);
    integer(m.problem.settings.max_iterations);
    integer(m.problem.settings.memory_size);
    real(m.problem.thickness);
    integer(static_cast<std::int32_t>(m.law.index()) + 1);
    s += "\nnodes";
    for (std::int32_t i = m.problem.mesh.node_x.first(); i <= m.problem.mesh.node_x.last(); ++i) {
        integer(i);
        real(m.problem.mesh.node_x(i));
        real(m.problem.mesh.node_y(i));
        real(m.problem.mesh.node_z(i));
    }
    s += "\nelements";
    for (std::int32_t e = m.problem.mesh.elements.first(); e <= m.problem.mesh.elements.last(); ++e)
        for (const std::int32_t n : m.problem.mesh.elements(e).node) integer(n);
    s += "\ncomponents";
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) {
            integer(i);
            integer(j);
            integer(m.problem.supports.held(i, j) ? 1 : 0);
            real(m.problem.supports.prescribed(i, j));
            real(m.problem.loads(i, j));
        }
    return s;
}

TEST(reader, reads_the_one_triangle_model) {
    const dorvan::model m = read_dorvan(one_triangle);
    EXPECT_EQ(m.problem.settings.search_factor, 0.9);
    EXPECT_EQ(m.problem.settings.search_limit, 10);
    EXPECT_EQ(m.problem.settings.tolerance_factor, 0.001);
    EXPECT_EQ(m.problem.settings.reference_force, 0.0);
    EXPECT_EQ(m.problem.settings.max_iterations, 500);
    EXPECT_EQ(m.problem.settings.memory_size, 5);
    EXPECT_EQ(m.problem.thickness, 0.5);
    const auto& law = std::get<dorvan::neo_hookean>(m.law);
    EXPECT_EQ(law.shear, 1.0);
    EXPECT_EQ(law.bulk, 100.0);
    ASSERT_EQ(m.problem.mesh.node_count, 3);
    ASSERT_EQ(m.problem.mesh.node_x.first(), 1);
    ASSERT_EQ(m.problem.mesh.node_x.last(), 3);
    EXPECT_EQ(m.problem.mesh.node_x(2), 1.0);
    EXPECT_EQ(m.problem.mesh.node_y(3), 1.0);
    EXPECT_EQ(m.problem.mesh.node_z(3), 0.0);
    ASSERT_EQ(m.problem.mesh.elements.first(), 1);
    ASSERT_EQ(m.problem.mesh.elements.last(), 1);
    EXPECT_EQ(m.problem.mesh.elements(1).node[0], 1);
    EXPECT_EQ(m.problem.mesh.elements(1).node[1], 2);
    EXPECT_EQ(m.problem.mesh.elements(1).node[2], 3);
    for (std::int32_t j = 1; j <= 3; ++j) {
        EXPECT_EQ(m.problem.supports.held(1, j), true);
        EXPECT_EQ(m.problem.supports.held(2, j), true);
        EXPECT_EQ(m.problem.supports.held(3, j),
                  false);  // named nowhere: free and unloaded but for Y
    }
    EXPECT_EQ(m.problem.loads(3, 2), 0.1);
    EXPECT_EQ(m.problem.loads(3, 1), 0.0);
    EXPECT_EQ(m.problem.loads(1, 2), 0.0);
}

// Texts that must read exactly as the one-triangle text does.
struct same_model_case {
    const char* name;
    std::string text;
};

void PrintTo(const same_model_case& c, std::ostream* os) {
    *os << c.name;
}

class reads_as_one_triangle : public ::testing::TestWithParam<same_model_case> {};

TEST_P(reads_as_one_triangle, gives_the_same_model) {
    EXPECT_EQ(summary(read_dorvan(GetParam().text)), summary(read_dorvan(one_triangle)));
}

std::string tabs_for_blanks(std::string text) {
    for (char& c : text)
        if (c == ' ') c = '\t';
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    layouts, reads_as_one_triangle,
    ::testing::Values(
        same_model_case{"crlf_line_ends", with_crlf(one_triangle)},
        same_model_case{"crlf_and_no_final_line_end",
                        with_crlf(replaced(one_triangle, "3 2 0.1\n", "3 2 0.1"))},
        same_model_case{"tabs_for_blanks", tabs_for_blanks(one_triangle)},
        same_model_case{"crlf_and_tabs", with_crlf(tabs_for_blanks(one_triangle))},
        // Lines starting with a blank, then ':', are free text: were one taken for a header,
        // the next number would be read from the real header line and be malformed.
        same_model_case{"blank_before_colon_is_no_header",
                        replaced(one_triangle, ": nodes\n",
                                 " : nodes (not a header)\n\t: nor this\n: nodes\n")},
        same_model_case{"titles_comments_and_blank_lines",
                        replaced(replaced(one_triangle, "Test sheet\n",
                                          "\n\nTitle line\nsecond title 1 2 3\n\n"),
                                 ": loads\n", "\n\ncomment 3 2 9.9\n\n: loads\n")},
        same_model_case{"blank_lines_between_values",
                        replaced(one_triangle, "0.9 10 0.001 0.0 500 5\n",
                                 "\n0.9\n\n10 0.001\n\r\n   \n0.0 500\n5\n")},
        same_model_case{"numbers_after_the_colon_of_a_header",
                        replaced(one_triangle, ": elements\n", ":7 7 7 7\n")},
        same_model_case{"settings_one_per_line_with_trailing_text",
                        replaced(one_triangle, "0.9 10 0.001 0.0 500 5\n",
                                 "0.9\n10\n0.001\n0.0\n500\n5 7 8.0 the rest is ignored\n")},
        same_model_case{"text_after_every_last_value",
                        replaced(replaced(replaced(one_triangle, "1 1 2 3\n", "1 1 2 3 9 9 9\n"),
                                          "2 1.0 0.0 0.0\n", "2 1.0 0.0 0.0 x\n"),
                                 "1\n  element", "1 2 3 4\n  element")},
        same_model_case{
            "descending_node_and_support_order",
            replaced(replaced(one_triangle, "1 0.0 0.0 0.0\n2 1.0 0.0 0.0\n3 0.0 1.0 0.0\n",
                              "3 0.0 1.0 0.0\n2 1.0 0.0 0.0\n1 0.0 0.0 0.0\n"),
                     "1 1 0.0\n1 2 0.0\n1 3 0.0\n2 1 0.0\n2 2 0.0\n2 3 0.0\n",
                     "2 3 0.0\n2 2 0.0\n2 1 0.0\n1 3 0.0\n1 2 0.0\n1 1 0.0\n")},
        // The rest of a line is dropped even when it would pass for a header.
        same_model_case{
            "colon_right_after_the_last_value",
            replaced(replaced(one_triangle, "500 5\n", "500 5:\n"), "100.0\n", "100.0: more\n")},
        same_model_case{"a_node_line_spread_over_lines",
                        replaced(one_triangle, "2 1.0 0.0 0.0\n", "2\n1.0\n\n0.0\n0.0\n")},
        same_model_case{"plus_signs_and_other_spellings_of_reals",
                        replaced(replaced(one_triangle, "0.5 1 1.0 100.0\n", "+5e-1 +1 1 1.0E+2\n"),
                                 "3 0.0 1.0 0.0\n", "+3 +0 10E-1 0.0E5\n")},
        same_model_case{"text_after_the_loads_section_is_never_read",
                        one_triangle + ": more\n1.x !! not a number\n2147483648\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(reader, tolerance_factor_of_zero_or_less_becomes_one_thousandth) {
    for (const char* factor :
         {"0.9 10 0 ", "0.9 10 0.0 ", "0.9 10 -0.0 ", "0.9 10 -3 ", "0.9 10 -1E-300 "}) {
        const dorvan::model m = read_dorvan(replaced(one_triangle, "0.9 10 0.001 ", factor));
        EXPECT_EQ(m.problem.settings.tolerance_factor, 0.001) << factor;
    }
    for (const double factor : {0.25, 1.0E-300, 7.0}) {
        char text[40];
        std::snprintf(text, sizeof text, "0.9 10 %.17g ", factor);
        EXPECT_EQ(read_dorvan(replaced(one_triangle, "0.9 10 0.001 ", text))
                      .problem.settings.tolerance_factor,
                  factor);
    }
}

TEST(reader, numbers_at_the_limits_of_their_type) {
    const dorvan::model m =
        read_dorvan(replaced(one_triangle, "0.9 10 0.001 0.0 500 5\n",
                             "1E-999 2147483647 0.001 -1E-999 -2147483648 +0\n"));
    EXPECT_EQ(m.problem.settings.search_factor, 0.0);
    EXPECT_EQ(m.problem.settings.search_limit, 2147483647);
    EXPECT_EQ(m.problem.settings.reference_force, 0.0);
    EXPECT_TRUE(std::signbit(m.problem.settings.reference_force));
    EXPECT_EQ(m.problem.settings.max_iterations, -2147483647 - 1);
    EXPECT_EQ(m.problem.settings.memory_size, 0);

    const dorvan::model big = read_dorvan(
        replaced(one_triangle, "3 0.0 1.0 0.0\n", "3 1.7976931348623157E308 4.9E-324 -2\n"));
    EXPECT_EQ(big.problem.mesh.node_x(3), 1.7976931348623157E308);
    EXPECT_EQ(big.problem.mesh.node_y(3), 4.9E-324);
    EXPECT_EQ(big.problem.mesh.node_z(3), -2.0);
}

TEST(reader, later_lines_overwrite_earlier_ones_and_unnamed_nodes_are_at_the_origin) {
    const std::string text =
        replaced(replaced(replaced(one_triangle, "3 0.0 1.0 0.0\n", "2 5.0 6.0 7.0\n"), "2 3 0.0\n",
                          "1 1 0.25\n"),
                 "1\n  node dir force\n3 2 0.1\n", "2\n  node dir force\n3 2 0.1\n3 2 -4.0\n");
    const dorvan::model m = read_dorvan(text);
    // Node 2 named twice, node 3 never.
    EXPECT_EQ(m.problem.mesh.node_x(2), 5.0);
    EXPECT_EQ(m.problem.mesh.node_y(2), 6.0);
    EXPECT_EQ(m.problem.mesh.node_z(2), 7.0);
    EXPECT_EQ(m.problem.mesh.node_x(3), 0.0);
    EXPECT_EQ(m.problem.mesh.node_y(3), 0.0);
    EXPECT_EQ(m.problem.mesh.node_z(3), 0.0);
    // Support (1, 1) given twice; (2, 3) now named nowhere.
    EXPECT_EQ(m.problem.supports.prescribed(1, 1), 0.25);
    EXPECT_EQ(m.problem.supports.held(1, 1), true);
    EXPECT_EQ(m.problem.supports.held(2, 3), false);
    EXPECT_EQ(m.problem.loads(3, 2), -4.0);

    // Element 2 of 2 named twice, element 1 never: its corners stay 0.
    const dorvan::model e = read_dorvan(replaced(one_triangle, "1\n  element N1 N2 N3\n1 1 2 3\n",
                                                 "2\n  element N1 N2 N3\n2 1 2 3\n2 3 2 1\n"));
    EXPECT_EQ(e.problem.mesh.elements(1).node[0], 0);
    EXPECT_EQ(e.problem.mesh.elements(1).node[2], 0);
    EXPECT_EQ(e.problem.mesh.elements(2).node[0], 3);
    EXPECT_EQ(e.problem.mesh.elements(2).node[2], 1);
}

TEST(reader, a_prescribed_value_of_zero_still_fixes_the_component) {
    const dorvan::model m = read_dorvan(one_triangle);
    EXPECT_EQ(m.problem.supports.held(2, 2), true);
    EXPECT_EQ(m.problem.supports.prescribed(2, 2), 0.0);
    const dorvan::model minus = read_dorvan(replaced(one_triangle, "2 2 0.0\n", "2 2 -0.0\n"));
    EXPECT_EQ(minus.problem.supports.held(2, 2), true);
    const dorvan::model moved = read_dorvan(replaced(one_triangle, "2 2 0.0\n", "2 2 0.125\n"));
    EXPECT_EQ(moved.problem.supports.held(2, 2), true);
    EXPECT_EQ(moved.problem.supports.prescribed(2, 2), 0.125);
}

TEST(reader, data_on_the_heading_line_is_lost) {
    // The heading line after a count holds a node line: it is discarded whole, so node 1 takes
    // the values of the line after it.
    const dorvan::model m =
        read_dorvan(replaced(one_triangle, "3\n  node  x  y  z\n", "3\n1 9.0 9.0 9.0\n"));
    EXPECT_EQ(m.problem.mesh.node_x(1), 0.0);
    EXPECT_EQ(m.problem.mesh.node_y(1), 0.0);
    // The same for the supports: (3, 1) on the heading line is not prescribed.
    const dorvan::model s =
        read_dorvan(replaced(one_triangle, "6\n  node dir value\n", "6\n3 1 0.5\n"));
    EXPECT_EQ(s.problem.supports.held(3, 1), false);
    EXPECT_EQ(s.problem.supports.prescribed(3, 1), 0.0);
    // And for the loads: the only load line stands where the heading is expected.
    const std::string loads =
        replaced(one_triangle, "1\n  node dir force\n3 2 0.1\n", "1\n3 1 7.0\n3 2 0.1\n");
    EXPECT_EQ(read_dorvan(loads).problem.loads(3, 1), 0.0);
    EXPECT_EQ(read_dorvan(loads).problem.loads(3, 2), 0.1);
}

// A section with a count of 0: in the nodes and elements the line after the count is still
// discarded (here a line starting with ':', which would otherwise be taken for the next
// header); in the supports and loads no line is discarded (here the next header follows at
// once).
const std::string empty_sections =
    ": settings\n0.9 10 0.001 1.0 500 5\n"
    ": sheet\n0.5 1 1.0 100.0\n"
    ": nodes\n0\n: node heading, discarded\n"
    ": elements\n0\n: element heading, discarded\n"
    ": prescribed displacements\n0\n"
    ": loads\n0\n";

TEST(reader, counts_of_zero_read_empty_sections) {
    const dorvan::model m = read_dorvan(empty_sections);
    EXPECT_EQ(m.problem.mesh.node_count, 0);
    EXPECT_EQ(m.problem.mesh.node_x.size(), 0u);
    EXPECT_EQ(m.problem.mesh.node_z.size(), 0u);
    EXPECT_EQ(m.problem.mesh.elements.size(), 0u);
    EXPECT_EQ(m.problem.supports.held.all().size(), 0u);
    EXPECT_EQ(m.problem.loads.all().size(), 0u);
}

TEST(reader, a_count_of_zero_in_supports_and_loads_reads_no_heading_line) {
    // Were a heading line read after the 0 supports, the loads header would be lost.
    const dorvan::model m =
        read_dorvan(replaced(one_triangle,
                             "6\n  node dir value\n1 1 0.0\n1 2 0.0\n1 3 0.0\n2 1 0.0\n"
                             "2 2 0.0\n2 3 0.0\n",
                             "0\n"));
    for (std::int32_t i = 1; i <= 3; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) EXPECT_EQ(m.problem.supports.held(i, j), false);
    EXPECT_EQ(m.problem.loads(3, 2), 0.1);

    const dorvan::model none =
        read_dorvan(replaced(one_triangle, "1\n  node dir force\n3 2 0.1\n", "0\n"));
    EXPECT_EQ(none.problem.loads(3, 2), 0.0);
    EXPECT_EQ(none.problem.loads.all().size(), 9u);
}

// Negative node and element counts are refused at the count (see the read failures below).
TEST(reader, negative_counts_of_supports_and_loads_give_empty_ranges) {
    std::string text = empty_sections;
    text = replaced(text, ": prescribed displacements\n0\n", ": prescribed displacements\n-1\n");
    text = replaced(text, ": loads\n0\n", ": loads\n-7\n");
    const dorvan::model m = read_dorvan(text);
    EXPECT_EQ(m.problem.mesh.node_count, 0);
    EXPECT_EQ(m.problem.supports.held.all().size(), 0u);
    EXPECT_EQ(m.problem.loads.all().size(), 0u);

    // Negative supports in a real model leave every component free, like 0; the support lines
    // that follow are passed over as free text by the loads header scan.
    const dorvan::model free =
        read_dorvan(replaced(one_triangle, "6\n  node dir", "-6\n  node dir"));
    EXPECT_EQ(summary(free),
              summary(read_dorvan(replaced(one_triangle, "6\n  node dir", "0\n  node dir"))));
    EXPECT_EQ(free.problem.supports.held(1, 1), false);
}

TEST(reader, minimal_data_lines_fill_the_file_to_its_last_character) {
    // The shortest lines a section can hold, the last one without a line end: the check that
    // the file can hold the announced lines must not refuse them.
    const dorvan::model m = read_dorvan(
        ": settings\n0.9 10 0.001 1.0 500 5\n: sheet\n0.5 1 1.0 100.0\n"
        ": nodes\n3\nheading\n1-1-1-1\n2 0 0 0\n3 0 1 0\n"
        ": elements\n1\nheading\n1 1 2 3\n"
        ": prescribed displacements\n2\nheading\n1 1 0\n2 2 0\n"
        ": loads\n2\nheading\n3 2 1\n3 1-2");
    EXPECT_EQ(m.problem.mesh.node_x(1), -1.0);
    EXPECT_EQ(m.problem.mesh.node_z(1), -1.0);
    EXPECT_EQ(m.problem.supports.held(2, 2), true);
    EXPECT_EQ(m.problem.loads(3, 2), 1.0);
    EXPECT_EQ(m.problem.loads(3, 1), -2.0);
}

TEST(dorvan_material, each_law_reads_its_own_constants) {
    const dorvan::model mooney =
        read_dorvan(replaced(one_triangle, "0.5 1 1.0 100.0\n", "0.5 2 0.3 0.1 50.0 9.0\n"));
    const auto& law = std::get<dorvan::mooney_rivlin>(mooney.law);
    EXPECT_EQ(law.c10, 0.3);
    EXPECT_EQ(law.c01, 0.1);
    EXPECT_EQ(law.bulk, 50.0);
    // The constants may stand on the next line.
    const dorvan::model spread =
        read_dorvan(replaced(one_triangle, "0.5 1 1.0 100.0\n", "0.5 1\n1.0\n100.0\n"));
    EXPECT_EQ(std::get<dorvan::neo_hookean>(spread.law).shear, 1.0);
    EXPECT_EQ(std::get<dorvan::neo_hookean>(spread.law).bulk, 100.0);
    EXPECT_EQ(summary(spread), summary(read_dorvan(one_triangle)));
}

// A number that names none of the program's laws is refused as soon as it is read, before any
// constant: the rest of the file is not looked at.
TEST(dorvan_material, another_law_is_refused_where_it_is_read) {
    for (const auto& [line, number] : {std::pair{"0.5 3\n1.0 100.0\n", "3"},
                                       {"0.5 3 1.0 100.0\n", "3"},
                                       {"0.5 0\n", "0"},
                                       {"0.5 -1\n: nodes\nbroken", "-1"}}) {
        EXPECT_EQ(dorvan_failure(replaced(one_triangle, "0.5 1 1.0 100.0\n", line)),
                  std::string("undefined material law ") + number)
            << line;
    }
}

TEST(melvar_material, a_line_written_for_the_compressible_law_reads_the_shear_modulus_only) {
    const melvar::model m = read_melvar(one_triangle);
    EXPECT_EQ(std::get<melvar::neo_hookean>(m.law).shear, 1.0);
    EXPECT_EQ(m.problem.mesh.node_count, 3);
    // The 100.0 went with the rest of the line: the same model as without it.
    EXPECT_EQ(summary(m),
              summary(read_melvar(replaced(one_triangle, "0.5 1 1.0 100.0\n", "0.5 1 1.0\n"))));
    // The rest of the line goes even when it starts with ':'.
    EXPECT_EQ(summary(m),
              summary(read_melvar(replaced(one_triangle, "0.5 1 1.0 100.0\n", "0.5 1 1.0:\n"))));
    // dorvan's Mooney-Rivlin line: the bulk modulus is dropped.
    const melvar::model mooney =
        read_melvar(replaced(one_triangle, "0.5 1 1.0 100.0\n", "0.5 2 0.3 0.1 50.0\n"));
    EXPECT_EQ(std::get<melvar::mooney_rivlin>(mooney.law).c10, 0.3);
    EXPECT_EQ(std::get<melvar::mooney_rivlin>(mooney.law).c01, 0.1);
}

TEST(melvar_material, arruda_boyce_reads_two_constants_and_derives_the_series) {
    const melvar::model m =
        read_melvar(replaced(one_triangle, "0.5 1 1.0 100.0\n", "0.5 3 1.0 2.0 99.0\n"));
    const auto& law = std::get<melvar::arruda_boyce>(m.law);
    EXPECT_EQ(law.shear, 1.0);
    EXPECT_EQ(law.lock, 2.0);
    EXPECT_EQ(m.problem.mesh.node_count, 3);
    // L = 2: every power is exact, so every coefficient is one correctly rounded division.
    EXPECT_EQ(law.coefficient[0], 0.5);
    EXPECT_EQ(law.coefficient[1], 0.0125);
    EXPECT_EQ(law.coefficient[2], 0.0006547619047619047);
    EXPECT_EQ(law.coefficient[3], 4.2410714285714285E-05);
    EXPECT_DOUBLE_EQ(law.coefficient[4], 3.00904452690167E-06);
    EXPECT_EQ(law.coefficient[4], 0.0007703153988868275 / 256.0);
}

TEST(melvar_material, another_law_is_refused_where_it_is_read) {
    for (const auto& [line, number] :
         {std::pair{"0.5 4\n7.0 8.0\n", "4"}, {"0.5 0 1.0 2.0\n", "0"}}) {
        EXPECT_EQ(melvar_failure(replaced(one_triangle, "0.5 1 1.0 100.0\n", line)),
                  std::string("undefined material law ") + number)
            << line;
    }
}

TEST(reader, a_missing_section_ends_the_file_where_its_header_is_expected) {
    const std::pair<const char*, const char*> sections[] = {
        {": settings", "settings"},
        {": sheet", "sheet and material"},
        {": nodes", "nodes"},
        {": elements", "elements"},
        {": prescribed", "prescribed displacements"},
        {": loads", "loads"}};
    for (const auto& [header, words] : sections) {
        const std::string text = one_triangle.substr(0, one_triangle.find(header));
        const auto line = std::count(text.begin(), text.end(), '\n') + 1;
        const std::string report = "input.txt:" + std::to_string(line) +
                                   ":1: end of file: expected the header line of the " + words +
                                   " section (a line starting with ':')";
        EXPECT_EQ(dorvan_failure(text), report);
        EXPECT_EQ(melvar_failure(text), report);
    }
}

// Failures met while reading, with the line and column they name. The whole-program runs of
// these failures are in the program failure tests; here the positions are checked closely.
struct failure_case {
    const char* name;
    std::string text;
    const char* report;
};

void PrintTo(const failure_case& c, std::ostream* os) {
    *os << c.name;
}

class read_failure : public ::testing::TestWithParam<failure_case> {};

TEST_P(read_failure, names_the_kind_and_the_place) {
    EXPECT_EQ(dorvan_failure(GetParam().text), GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(
    positions, read_failure,
    ::testing::Values(
        failure_case{"empty_file", "",
                     "input.txt:1:1: end of file: expected the header line of the settings "
                     "section (a line starting with ':')"},
        failure_case{"only_titles", "title\n : no header\n\n",
                     "input.txt:4:1: end of file: expected the header line of the settings "
                     "section (a line starting with ':')"},
        failure_case{"crlf_lines_are_counted_once",
                     with_crlf(replaced(one_triangle, "2 1.0 0.0 0.0\n", "2 1.0 O.0 0.0\n")),
                     "input.txt:10:7: malformed number: expected the Y coordinate of node 2"},
        failure_case{"tab_is_one_column",
                     replaced(one_triangle, "2 1.0 0.0 0.0\n", "2\t1.0\t0.0\tz\n"),
                     "input.txt:10:11: malformed number: expected the Z coordinate of node 2"},
        failure_case{"a_real_where_an_integer_is_expected",
                     replaced(one_triangle, "0.5 1 1.0 100.0\n", "0.5 1.0 1.0 100.0\n"),
                     "input.txt:5:6: malformed number: expected the neo-Hookean shear modulus"},
        failure_case{"an_integer_too_long_for_32_bits",
                     replaced(one_triangle, "0.9 10 ", "0.9 99999999999999999999 "),
                     "input.txt:3:5: malformed number: expected the search limit (an integer of "
                     "at most 32 bits)"},
        failure_case{"a_real_beyond_double_precision",
                     replaced(one_triangle, "3 0.0 1.0 0.0\n", "3 0.0 -1E999 0.0\n"),
                     "input.txt:11:7: malformed number: expected the Y coordinate of node 3 (its "
                     "magnitude is beyond double precision)"},
        failure_case{"a_sign_alone", replaced(one_triangle, "1 1 2 3\n", "1 1 - 3\n"),
                     "input.txt:15:5: malformed number: expected corner N2 of element 1"},
        failure_case{"two_signs", replaced(one_triangle, "3 2 0.1\n", "3 2 +-0.1\n"),
                     "input.txt:28:5: malformed number: expected the force of load line 1"},
        failure_case{"node_number_zero", replaced(one_triangle, "2 1.0 0.0 0.0\n", "0 1 0 0\n"),
                     "input.txt:10:1: index out of range: node 0 is not in 1..3"},
        failure_case{"element_number_beyond_the_count",
                     replaced(one_triangle, "1 1 2 3\n", "  2 1 2 3\n"),
                     "input.txt:15:3: index out of range: element 2 is not in 1..1"},
        failure_case{"direction_four", replaced(one_triangle, "2 2 0.0\n", "2 4 0.0\n"),
                     "input.txt:23:3: index out of range: direction 4 is not in 1..3"},
        failure_case{"load_on_node_four", replaced(one_triangle, "3 2 0.1\n", "4 2 0.1\n"),
                     "input.txt:28:1: index out of range: node 4 is not in 1..3"},
        failure_case{"a_huge_count_fails_before_anything_is_made",
                     replaced(one_triangle, "1\n  element N1", "2000000000\n  element N1"),
                     "input.txt:15:1: end of file: expected 2000000000 element lines, more than "
                     "the rest of the file can hold"},
        failure_case{"end_of_file_inside_the_settings", ":\n0.9 10 0.001\n",
                     "input.txt:3:1: end of file: expected the reference force"},
        // A negative count is told at the count, not where the lines it leaves out are missed.
        failure_case{"negative_node_count", replaced(one_triangle, "3\n  node", "-5\n  node"),
                     "input.txt:7:1: invalid value: the node count is -5; a count cannot be "
                     "below 0"},
        failure_case{"negative_element_count",
                     replaced(one_triangle, "1\n  element", "  -2147483648 comment\n  element"),
                     "input.txt:13:3: invalid value: the element count is -2147483648; a count "
                     "cannot be below 0"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
