// Every number format of the output files, in one place.
#include "sheet/format.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

namespace sheet {

void put_integer(std::string& out, std::int64_t value, int width) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const auto length = static_cast<int>(end - digits);
    if (length < width) out.append(static_cast<std::size_t>(width - length), ' ');
    out.append(digits, end);
}

namespace {

// Magnitude |value| (finite) in scientific form with an upper-case 'E'.
void put_magnitude(std::string& out, double magnitude, int decimals) {
    char text[48];
    const auto end =
        std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, decimals)
            .ptr;
    char* e = static_cast<char*>(std::memchr(text, 'e', static_cast<std::size_t>(end - text)));
    if (e != nullptr) *e = 'E';
    out.append(text, end);
}

const char* non_finite_text(double value) {
    if (std::isnan(value)) return "NaN";
    return value < 0.0 ? "-Inf" : "Inf";
}

}  // namespace

void put_real(std::string& out, double value, int decimals) {
    if (!std::isfinite(value)) {
        const char* text = non_finite_text(value);
        const auto length = static_cast<int>(std::strlen(text));
        const int width = decimals + 7;
        if (length < width) out.append(static_cast<std::size_t>(width - length), ' ');
        out.append(text);
        return;
    }
    out.push_back(value < 0.0 ? '-' : ' ');
    put_magnitude(out, std::fabs(value), decimals);
}

void put_coordinate(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out.append(non_finite_text(value));
        return;
    }
    if (value < 0.0) out.push_back('-');
    put_magnitude(out, std::fabs(value), 6);
}

}  // namespace sheet
