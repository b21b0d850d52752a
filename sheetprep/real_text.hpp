// The one way the preparer writes a real: the shortest text that reads back as the same double
// (at most 17 significant digits), in the forms the solvers' reader takes ("0.5", "1e-05").
#pragma once

#include <charconv>
#include <string>

namespace sheetprep {

inline std::string real_text(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

}  // namespace sheetprep
