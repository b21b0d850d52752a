// Reading input texts in memory for the reader tests.
#include "support/input_text.hpp"

#include <stdexcept>

#include "sheet/failure.hpp"
#include "sheet/input/scanner.hpp"

namespace input_text {

std::string replaced(std::string text, std::string_view from, std::string_view to) {
    const std::size_t at = text.find(from);
    if (at == std::string::npos || text.find(from, at + 1) != std::string::npos)
        throw std::logic_error("the text holds \"" + std::string(from) + "\" not exactly once");
    text.replace(at, from.size(), to);
    return text;
}

std::string with_crlf(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

dorvan::model read_dorvan(const std::string& text) {
    sheet::scanner in("input.txt", text);
    dorvan::model m;
    dorvan::program::input(m, in);
    return m;
}

melvar::model read_melvar(const std::string& text) {
    sheet::scanner in("input.txt", text);
    melvar::model m;
    melvar::program::input(m, in);
    return m;
}

std::string dorvan_failure(const std::string& text) {
    try {
        read_dorvan(text);
    } catch (const sheet::failure& failure) {
        return failure.what();
    }
    return "";
}

std::string melvar_failure(const std::string& text) {
    try {
        read_melvar(text);
    } catch (const sheet::failure& failure) {
        return failure.what();
    }
    return "";
}

}  // namespace input_text
