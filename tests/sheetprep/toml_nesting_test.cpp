// The nesting bound of a problem file: 64 levels pass, 65 are refused where the 65th opens,
// however the levels are made (header, dotted key, array of tables, array, inline table), and
// brackets or dots inside strings and comments count for nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string_view>

#include "sheet/failure.hpp"
#include "sheetprep/toml_nesting.hpp"

namespace {

using sheetprep::check_toml_nesting;

std::string repeated(const std::string& piece, int times) {
    std::string out;
    for (int k = 0; k < times; ++k) out += piece;
    return out;
}

// a.a.a...a with n parts
std::string dotted(int n) {
    return repeated("a.", n - 1) + "a";
}

// Each text with the line:column of its refusal, "" when it passes.
TEST(nesting, is_refused_where_level_65_opens) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {dotted(64) + " = 1\n", ""},
        {"x = 1\n" + dotted(65) + " = 1\n", "2:129"},
        {repeated("a . ", 64) + "b = 1\n", "1:257"},
        {"[" + dotted(64) + "]\n", ""},
        {"[" + dotted(65) + "]\n", "1:130"},
        // An array of tables is one level more than its name.
        {"[[" + dotted(64) + "]]\n", "1:129"},
        {"[" + dotted(40) + "]\n" + dotted(25) + " = 1\n", "2:49"},
        // Under a header of 40 levels a key of 24 stays at 64, and the next header starts anew.
        {"[" + dotted(40) + "]\n" + dotted(24) + " = 1\n[b]\n" + dotted(63) + " = 1\n", ""},
        {"a = " + repeated("[", 63) + repeated("]", 63) + "\n", ""},
        {"a = " + repeated("[", 64) + repeated("]", 64) + "\n", "1:68"},
        {"a = [\n  1, # [[[[\n" + repeated("  [\n", 63) + repeated("]", 64) + "\n", "65:3"},
        {"a = " + repeated("{ b = ", 64) + "1" + repeated("}", 64), "1:385"},
        {"\"a.b.c\"." + dotted(63) + " = 1\n", ""},
        // Brackets and dots in strings and comments count for nothing.
        {"a = \"" + repeated("[{.", 100) + "\"\nb = '" + repeated("[", 100) + "'\nc = \"\"\"\n" +
             repeated("[", 100) + "\n\"\"\"\n# " + repeated("[", 100) + "\n",
         ""},
        {"a = \"x\\\"" + repeated("[", 100) + "\"\n", ""},
        {"a = [1.5, 2e10, 1979-05-27 07:32:00, true, inf]\nb = 1.0\n", ""},
    };
    for (const auto& [text, where] : cases) {
        std::string said;
        try {
            check_toml_nesting(text, "p.toml");
        } catch (const sheet::failure& failure) {
            said = failure.what();
        }
        if (where.empty())
            EXPECT_EQ(said, "") << text.substr(0, 80);
        else
            EXPECT_EQ(said, "p.toml:" + where +
                                ": nested more than 64 levels deep (tables, dotted keys, arrays "
                                "and inline tables together); a problem file needs a few levels "
                                "only");
    }
}

// A text that ends inside a string right after a backslash is read to its end and no further
// (the sanitizer build sees a read past an exactly sized buffer); toml++ then says what is wrong.
TEST(nesting, a_text_ending_in_an_escape_is_read_no_further_than_its_end) {
    for (const std::string text :
         {"a = \"\\", "\"\\", "a = \"\"\"\\", "a = [\"\\", "a = { b = \"\\", "a = \"\\\\\\"}) {
        const auto exact = std::make_unique<char[]>(text.size());
        std::copy(text.begin(), text.end(), exact.get());
        EXPECT_NO_THROW(check_toml_nesting(std::string_view(exact.get(), text.size()), "p.toml"))
            << text;
    }
}

}  // namespace
