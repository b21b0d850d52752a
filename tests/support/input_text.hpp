// Input texts for the reader tests: the one-triangle model, a checked text replacement, and
// reading a text into either program's model without touching the file system.
#pragma once

#include <string>
#include <string_view>

#include "dorvan/program.hpp"
#include "melvar/program.hpp"

namespace input_text {

// One triangle in the X-Y plane, clamped along the edge 1-2, pulled in Y at node 3.
inline const std::string one_triangle =
    "Test sheet\n"
    ": settings  search_factor search_limit tolerance_factor reference_force max_iterations "
    "memory_size\n"
    "0.9 10 0.001 0.0 500 5\n"
    ": sheet  thickness material constants\n"
    "0.5 1 1.0 100.0\n"
    ": nodes\n"
    "3\n"
    "  node  x  y  z\n"
    "1 0.0 0.0 0.0\n"
    "2 1.0 0.0 0.0\n"
    "3 0.0 1.0 0.0\n"
    ": elements\n"
    "1\n"
    "  element N1 N2 N3\n"
    "1 1 2 3\n"
    ": prescribed displacements\n"
    "6\n"
    "  node dir value\n"
    "1 1 0.0\n"
    "1 2 0.0\n"
    "1 3 0.0\n"
    "2 1 0.0\n"
    "2 2 0.0\n"
    "2 3 0.0\n"
    ": loads\n"
    "1\n"
    "  node dir force\n"
    "3 2 0.1\n";

// text with its one occurrence of from replaced by to; an absent or repeated from is a fault of
// the test itself and throws.
std::string replaced(std::string text, std::string_view from, std::string_view to);

// text with every LF turned into CR LF.
std::string with_crlf(const std::string& text);

// The models that each program's reader makes of text, read as input.txt.
dorvan::model read_dorvan(const std::string& text);
melvar::model read_melvar(const std::string& text);

// The report of the failure that reading text meets, or "" when it reads without one.
std::string dorvan_failure(const std::string& text);
std::string melvar_failure(const std::string& text);

}  // namespace input_text
