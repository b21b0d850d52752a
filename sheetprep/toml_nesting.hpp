// A bound on how deep a problem file nests, checked on its text before the TOML reader sees it:
// the reader follows dotted keys and nested values by recursion, and a key 50 000 levels deep
// overflows its stack.
#pragma once

#include <string>
#include <string_view>

namespace sheetprep {

// Deeper than any problem file needs (they nest three levels) and far from the reader's limits.
constexpr int deepest_toml_nesting = 64;

// Fails with "file:line:column: ..." at the first place where tables (a header's dotted name, a
// dotted key), arrays of tables, arrays and inline tables together nest deeper than
// deepest_toml_nesting. Text that is not TOML passes: the reader reports it.
void check_toml_nesting(std::string_view text, const std::string& file);

}  // namespace sheetprep
