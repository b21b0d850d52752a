// The early end-of-file check of a count: a count that the rest of the file cannot hold fails
// at once, naming the lines it expected.
#include <gtest/gtest.h>

#include "sheet/failure.hpp"
#include "sheet/input/scanner.hpp"

namespace {

std::string failure_of(const std::string& text, std::int64_t count, int min_length) {
    sheet::scanner in("input.txt", text);
    try {
        in.require_room(count, min_length, {"load line"});
    } catch (const sheet::failure& failure) {
        return failure.what();
    }
    return "";
}

TEST(room, one_line_that_cannot_fit_is_named_in_the_singular) {
    EXPECT_EQ(failure_of("3 2", 1, 6),
              "input.txt:1:1: end of file: expected 1 load line, more than the rest of the file "
              "can hold");
    EXPECT_EQ(failure_of("3", 2, 6),
              "input.txt:1:1: end of file: expected 2 load lines, more than the rest of the file "
              "can hold");
}

TEST(room, the_shortest_lines_that_fit_pass) {
    // Two lines of at least six characters each, the last without its line break.
    EXPECT_EQ(failure_of("3 2 1\n3 2 1", 2, 6), "");
    EXPECT_NE(failure_of("3 2 1\n3 2 ", 2, 6), "");
    EXPECT_EQ(failure_of("", 0, 6), "");
    EXPECT_EQ(failure_of("", -5, 6), "");
}

}  // namespace
