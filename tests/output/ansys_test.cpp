// ansys.txt from hand-made models: the whole deck, the material tables of both programs, which
// supports and loads are written, wide node numbers and a non-finite constant.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dorvan/program.hpp"
#include "melvar/program.hpp"
#include "output/hand_model.hpp"
#include "support/laws.hpp"
#include "support/program_run.hpp"

namespace {

using namespace writers_test;
using testing_support::read_file;
using testing_support::scratch_dir;

// Four nodes off the X-Y plane in part, two triangles. Supports: node 1 in X, Y and Z; node 2 in
// Z only; node 3 in Y only; node 4 in X and Z. Loads: one on a prescribed component (node 1,
// Y), 0.0 and -0.0 (node 2, X and Y), one in Z (node 2), and both in-plane ones at node 4.
template <class Model>
void deck_model(Model& m) {
    fill(m, {{0.0, 1.0, 0.0}, {2.5, -1.0, 3.0}, {-0.5, 0.25, 0.0}, {1.0, 1.0, 1.0}},
         {{1, 2, 3}, {1, 3, 4}},
         {{1, 1, 0.0},
          {1, 2, 0.0},
          {1, 3, 0.0},
          {2, 3, 0.5},
          {3, 2, -0.125},
          {4, 1, 0.75},
          {4, 3, 0.0}},
         {{1, 2, 5.0},
          {2, 1, 0.0},
          {2, 2, -0.0},
          {2, 3, 7.0},
          {3, 1, -100.0},
          {4, 1, 0.001},
          {4, 2, 2.0}});
    m.problem.thickness = 0.1;
}

template <class Model, class Start, class Deck>
std::vector<std::string> deck_of(Model& m, Start start, Deck deck) {
    start(m);
    scratch_dir dir;
    {
        working_directory here(dir.path());
        deck(m);
    }
    return crlf_lines(read_file(dir.path() / "ansys.txt"));
}

std::vector<std::string> dorvan_deck(dorvan::model& m) {
    return deck_of(
        m, [](dorvan::model& d) { dorvan::program::start(d); },
        [](dorvan::model& d) { dorvan::program::ansys(d); });
}
std::vector<std::string> melvar_deck(melvar::model& m) {
    return deck_of(
        m, [](melvar::model& d) { melvar::program::start(d); },
        [](melvar::model& d) { melvar::program::ansys(d); });
}

// The deck with its material table (the lines after "! ACTIVATE DATA TABLE") and the node and
// element lines given; everything else is fixed or comes from deck_model.
std::vector<std::string> deck_around(const std::vector<std::string>& table) {
    std::vector<std::string> deck = {"",
                                     "! ENTER THE MODEL CREATION PREPROCESSOR",
                                     "/PREP7",
                                     "",
                                     "! DEFINE NODES",
                                     "N,     1,  0.000000E+00,  1.000000E+00",
                                     "N,     2,  2.500000E+00, -1.000000E+00",
                                     "N,     3, -5.000000E-01,  2.500000E-01",
                                     "N,     4,  1.000000E+00,  1.000000E+00",
                                     "",
                                     "! ACTIVATE DATA TABLE"};
    deck.insert(deck.end(), table.begin(), table.end());
    const std::vector<std::string> rest = {"",
                                           "! DEFINE ELEMENT TYPE",
                                           "! FULL INTEGRATION WITH B-BAR METHOD",
                                           "! PLANE STRESS WITH THICKNESS INPUT",
                                           "ET, 1, PLANE182, 0, , 3",
                                           "",
                                           "! DEFINE REAL CONSTANTS SET",
                                           "R,     1,  1.000000E-01",
                                           "",
                                           "! DEFINE ELEMENTS",
                                           "EN,     1,     1,     2,     3,     3",
                                           "EN,     2,     1,     3,     4,     4",
                                           "",
                                           "FINISH",
                                           "",
                                           "! ENTER THE SOLUTION PROCESSOR",
                                           "/SOLU",
                                           "",
                                           "! STATIC ANALYSIS",
                                           "ANTYPE, STATIC, NEW",
                                           "",
                                           "! DEFINE CONSTRAINTS",
                                           "D,     1, UX,  0.000000E+00",
                                           "D,     1, UY,  0.000000E+00",
                                           "D,     3, UY, -1.250000E-01",
                                           "D,     4, UX,  7.500000E-01",
                                           "",
                                           "! DELETE FORCE LOADS ON NODES",
                                           "FDELE, ALL, ALL",
                                           "",
                                           "! SPECIFY FORCES",
                                           "F,     1, FY,  5.000000E+00",
                                           "F,     3, FX, -1.000000E+02",
                                           "F,     4, FX,  1.000000E-03",
                                           "F,     4, FY,  2.000000E+00",
                                           "",
                                           "! INCLUDE LARGE DEFORMATION EFFECTS",
                                           "NLGEOM, ON",
                                           "",
                                           "! SPECIFY NUMBER OF SUBSTEPS",
                                           "NSUBST,    10",
                                           "",
                                           "! SPECIFY MAXIMUM NUMBER OF EQUILIBRIUM ITERATIONS",
                                           "NEQIT,    25",
                                           "",
                                           "! SET CONVERGENCE VALUES",
                                           "CNVTOL, F, 1.0,  1.000000E-03, 0",
                                           "",
                                           "! SPECIFY NEWTON-RAPHSON OPTIONS",
                                           "NROPT, FULL, , OFF",
                                           "",
                                           "! SPECIFY TYPE OF EQUATION SOLVER",
                                           "EQSLV, FRONT",
                                           "",
                                           "FINISH"};
    deck.insert(deck.end(), rest.begin(), rest.end());
    return deck;
}

TEST(ansys_deck, dorvan_whole_deck_with_the_neo_hookean_table) {
    dorvan::model m;
    deck_model(m);
    m.law = dorvan::neo_hookean{1.5, 8.0};
    EXPECT_EQ(dorvan_deck(m), deck_around({"TB, HYPER, 1, , , NEO", "TBDATA, 1,  1.500000E+00",
                                           "TBDATA, 2,  2.500000E-01"}));
}

TEST(ansys_deck, dorvan_mooney_rivlin_table) {
    dorvan::model m;
    deck_model(m);
    m.law = dorvan::mooney_rivlin{0.5, 0.125, 4.0};
    EXPECT_EQ(dorvan_deck(m),
              deck_around({"TB, HYPER, 1, , , MOONEY", "TBDATA, 1,  5.000000E-01",
                           "TBDATA, 2,  1.250000E-01", "TBDATA, 3,  5.000000E-01"}));
}

TEST(ansys_deck, dorvan_zero_bulk_modulus_writes_a_non_finite_constant) {
    dorvan::model neo;
    deck_model(neo);
    neo.law = dorvan::neo_hookean{1.5, 0.0};
    EXPECT_EQ(dorvan_deck(neo), deck_around({"TB, HYPER, 1, , , NEO", "TBDATA, 1,  1.500000E+00",
                                             "TBDATA, 2,           Inf"}));
    dorvan::model mooney;
    deck_model(mooney);
    mooney.law = dorvan::mooney_rivlin{0.5, 0.125, 0.0};
    const std::vector<std::string> deck = dorvan_deck(mooney);
    ASSERT_GT(deck.size(), 15u);
    EXPECT_EQ(deck[14], "TBDATA, 3,           Inf");
    EXPECT_EQ(deck[14].size(), std::string("TBDATA, 3, ").size() + 13);
}

TEST(ansys_deck, melvar_tables_close_with_a_written_zero) {
    melvar::model neo;
    deck_model(neo);
    neo.law = melvar::neo_hookean{1.5};
    EXPECT_EQ(melvar_deck(neo), deck_around({"TB, HYPER, 1, , , NEO", "TBDATA, 1,  1.500000E+00",
                                             "TBDATA, 2,  0.000000E+00"}));
    melvar::model mooney;
    deck_model(mooney);
    mooney.law = melvar::mooney_rivlin{0.5, -0.125};
    EXPECT_EQ(melvar_deck(mooney),
              deck_around({"TB, HYPER, 1, , , MOONEY", "TBDATA, 1,  5.000000E-01",
                           "TBDATA, 2, -1.250000E-01", "TBDATA, 3,  0.000000E+00"}));
    melvar::model boyce;
    deck_model(boyce);
    boyce.law = testing_support::melvar_law(3, {2.0, 1.75});
    EXPECT_EQ(melvar_deck(boyce),
              deck_around({"TB, HYPER, , , , BOYCE", "TBDATA, 1,  2.000000E+00",
                           "TBDATA, 2,  1.750000E+00", "TBDATA, 3,  0.000000E+00"}));
}

TEST(ansys_deck, no_nodes_and_no_elements_leave_the_comment_lines_alone) {
    dorvan::model m;
    fill(m, {}, {}, {}, {});
    m.law = dorvan::neo_hookean{1.5, 8.0};
    const std::vector<std::string> deck = dorvan_deck(m);
    // 57 steps, of which the node, element, support and force steps write nothing.
    ASSERT_EQ(deck.size(), 55u);
    std::vector<std::string> expected = deck_around(
        {"TB, HYPER, 1, , , NEO", "TBDATA, 1,  1.500000E+00", "TBDATA, 2,  2.500000E-01"});
    const auto drop = [&expected](const std::string& prefix) {
        expected.erase(
            std::remove_if(expected.begin(), expected.end(),
                           [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }),
            expected.end());
    };
    for (const char* prefix : {"N, ", "EN, ", "D, ", "F, "}) drop(prefix);
    for (std::string& line : expected)
        if (line.rfind("R, ", 0) == 0) line = "R,     1,  5.000000E-01";
    EXPECT_EQ(deck, expected);
}

TEST(ansys_deck, six_digit_node_numbers_widen_their_fields) {
    const std::int32_t count = 100000;
    std::vector<point> nodes(static_cast<std::size_t>(count), point{0.0, 0.0, 0.0});
    for (std::int32_t i = 0; i < count; ++i) nodes[static_cast<std::size_t>(i)].x = i * 0.5;
    nodes.back() = {0.0, 1.0, 0.0};
    dorvan::model m;
    fill(m, nodes, {{1, 2, count}}, {{count, 1, 0.0}, {count, 2, 0.25}}, {{count, 2, -1.0}});
    m.law = dorvan::neo_hookean{1.5, 8.0};
    const std::vector<std::string> deck = dorvan_deck(m);
    const auto has = [&deck](const std::string& line) {
        return std::find(deck.begin(), deck.end(), line) != deck.end();
    };
    EXPECT_TRUE(has("N,     2,  5.000000E-01,  0.000000E+00"));
    EXPECT_TRUE(has("N, 99999,  4.999900E+04,  0.000000E+00"));
    EXPECT_TRUE(has("N, 100000,  0.000000E+00,  1.000000E+00"));
    EXPECT_TRUE(has("EN,     1,     1,     2, 100000, 100000"));
    EXPECT_TRUE(has("D, 100000, UX,  0.000000E+00"));
    EXPECT_TRUE(has("D, 100000, UY,  2.500000E-01"));
    EXPECT_TRUE(has("F, 100000, FY, -1.000000E+00"));
    EXPECT_EQ(deck.size(), 55u + count + 1 + 2 + 1);
}

}  // namespace
