// Writing input.txt in the layout dorvan and melvar read: six sections, each after a header
// line starting with ':', with a title, a line on where it came from, and column headings; and
// the pressures section after them when there are follower pressures.
#pragma once

#include <string>

#include "sheetprep/sheet_input.hpp"

namespace sheetprep {

std::string input_text(const sheet_input& in);

// Writes the text to a temporary file beside file and renames it into place; fails with
// "cannot create FILE: reason" and leaves an older file as it was.
void write_input(const sheet_input& in, const std::string& file);

}  // namespace sheetprep
