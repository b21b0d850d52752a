// Every number format of the output files, in one place.
#include "sheet/output/format.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
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

// The exact text of std::to_chars for magnitude (>= 0, finite) with decimals decimals, with an
// upper-case 'E'.
void put_exact(std::string& out, double magnitude, int decimals) {
    char text[48];
    const auto end =
        std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, decimals)
            .ptr;
    char* e = static_cast<char*>(std::memchr(text, 'e', static_cast<std::size_t>(end - text)));
    if (e != nullptr) *e = 'E';
    out.append(text, end);
}

constexpr long double ten_to_the[] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,
                                      1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
                                      1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L,
                                      1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};
constexpr std::uint64_t integer_ten_to_the[] = {1,      10,      100,      1000,      10000,
                                                100000, 1000000, 10000000, 100000000, 1000000000};

// The same text by a shorter way, for magnitudes of ordinary size: the magnitude times a power
// of ten (exact in long double up to 10^27) is formed in long double, within 2^-64 of its true
// value, and rounded to the integer of decimals + 1 digits. Where that product lies too near
// a half the rounding could go either way, and the exact way is taken. Returns false then.
bool put_fast(std::string& out, double magnitude, int decimals) {
    const int digits = decimals + 1;
    if (!(magnitude >= 1e-15 && magnitude < 1e15) || digits > 9) return false;
    int binary_exponent = 0;
    std::frexp(magnitude, &binary_exponent);
    // floor(log10(magnitude)), or one less
    int exponent = static_cast<int>(std::floor((binary_exponent - 1) * 0.30102999566398120));
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int shift = digits - 1 - exponent;
        if (shift > 27 || shift < -27) return false;
        const long double scaled =
            shift >= 0 ? magnitude * ten_to_the[shift] : magnitude / ten_to_the[-shift];
        if (scaled < static_cast<long double>(integer_ten_to_the[digits - 1])) {
            --exponent;
            continue;
        }
        if (scaled >= static_cast<long double>(integer_ten_to_the[digits])) {
            ++exponent;
            continue;
        }
        // floor(scaled) and its integer, exact either way (scaled < 10^9), by rounding in the
        // current mode: floorl and a cast would switch the x87 rounding mode twice per number,
        // which stalls a loop of nothing but formatting.
        long double whole = rintl(scaled);
        if (whole > scaled) whole = whole - 1.0L;
        const long double fraction = scaled - whole;
        if (fabsl(fraction - 0.5L) < 1e-7L) return false;
        auto mantissa = static_cast<std::uint64_t>(llrintl(whole)) + (fraction > 0.5L ? 1 : 0);
        if (mantissa >= integer_ten_to_the[digits]) {
            mantissa /= 10;
            ++exponent;
        }
        char text[32];
        char* at = text + 1 + digits;  // one digit, '.', the decimals
        for (int i = 0; i < decimals; ++i, mantissa /= 10)
            *--at = static_cast<char>('0' + mantissa % 10);
        *--at = '.';
        *--at = static_cast<char>('0' + mantissa);
        at = text + 1 + digits;
        *at++ = 'E';
        *at++ = exponent < 0 ? '-' : '+';
        const int size = exponent < 0 ? -exponent : exponent;
        *at++ = static_cast<char>('0' + size / 10);
        *at++ = static_cast<char>('0' + size % 10);
        out.append(text, at);
        return true;
    }
    return false;
}

// Magnitude |value| (finite) in scientific form with an upper-case 'E'.
void put_magnitude(std::string& out, double magnitude, int decimals) {
    if (magnitude == 0.0 || !put_fast(out, magnitude, decimals))
        put_exact(out, magnitude, decimals);
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
