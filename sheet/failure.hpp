// The failures a run can meet outside the array checks and the minimiser: bad input, an
// inconsistent model, a file that cannot be written. main reports each on one line.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace sheet {

class failure : public std::runtime_error {
public:
    // A line break or another control character in what (a name taken from the input, a
    // library's message) is shown escaped, so that the report stays one line.
    explicit failure(std::string_view what) : std::runtime_error(one_line(what)) {}

private:
    static std::string one_line(std::string_view text) {
        std::string out;
        for (const char c : text) {
            if (c == '\n')
                out += "\\n";
            else if (c == '\r')
                out += "\\r";
            else if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F)
                out += '?';
            else
                out += c;
        }
        return out;
    }
};

}  // namespace sheet
