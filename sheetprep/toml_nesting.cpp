// The depth of a TOML text, counted as its tables, arrays and inline tables open: a header
// [a.b] or [[a.b]] sets the depth of the keys under it, a dotted key adds its parts, and each
// array or inline table one more. Strings and comments are passed over as TOML reads them. On
// text that is not TOML the scan goes on from the next line, so that nothing further down
// escapes the count.
#include "sheetprep/toml_nesting.hpp"

#include "sheet/failure.hpp"

namespace sheetprep {

namespace {

class nesting_scan {
public:
    nesting_scan(std::string_view text, const std::string& file) : text_(text), file_(file) {}

    void run() {
        int table_depth = 0;
        while (!at_end()) {
            const std::size_t before = at_;
            skip_blanks();
            if (at_end()) break;
            const char c = peek();
            if (c == '\n' || c == '\r') {
                advance();
            } else if (c == '#') {
                skip_line();
            } else if (c == '[') {
                advance();
                const bool array = peek() == '[';
                if (array) advance();
                table_depth = dotted_key(array ? 1 : 0);
                skip_line();
            } else {
                const int depth = dotted_key(table_depth);
                skip_blanks();
                if (peek() == '=') {
                    advance();
                    value(depth);
                }
                skip_line();
            }
            if (at_ == before) advance();
        }
    }

private:
    bool at_end() const { return at_ >= text_.size(); }
    char peek(std::size_t ahead = 0) const {
        return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0';
    }
    // Never past the end: a text may end inside a string, after an escape.
    void advance() {
        if (at_end()) return;
        if (text_[at_] == '\n') {
            ++line_;
            line_start_ = at_ + 1;
        }
        ++at_;
    }
    void skip_blanks() {
        while (peek() == ' ' || peek() == '\t') advance();
    }
    void skip_line() {
        while (!at_end() && peek() != '\n') advance();
    }
    // Blanks, line breaks and comments, as between the values of an array.
    void skip_space() {
        while (!at_end()) {
            const char c = peek();
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
                advance();
            else if (c == '#')
                skip_line();
            else
                break;
        }
    }

    void check(int depth) const {
        if (depth <= deepest_toml_nesting) return;
        throw sheet::failure(file_ + ":" + std::to_string(line_) + ":" +
                             std::to_string(at_ - line_start_ + 1) + ": nested more than " +
                             std::to_string(deepest_toml_nesting) +
                             " levels deep (tables, dotted keys, arrays and inline tables "
                             "together); a problem file needs a few levels only");
    }

    // A key such as a."b c".d, its parts counted onto depth; returns the depth after it.
    int dotted_key(int depth) {
        while (true) {
            skip_blanks();
            const char c = peek();
            if (c == '"' || c == '\'') {
                check(depth + 1);
                one_line_string(c);
            } else if (bare_key_char(c)) {
                check(depth + 1);
                while (bare_key_char(peek())) advance();
            } else {
                return depth;
            }
            ++depth;
            skip_blanks();
            if (peek() != '.') return depth;
            advance();
        }
    }

    static bool bare_key_char(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-';
    }

    // A basic string honours backslash escapes; a literal one does not. Neither spans lines.
    void one_line_string(char quote) {
        advance();
        while (!at_end() && peek() != '\n') {
            if (quote == '"' && peek() == '\\' && peek(1) != '\n') {
                advance();
            } else if (peek() == quote) {
                advance();
                return;
            }
            advance();
        }
    }

    void multi_line_string(char quote) {
        for (int k = 0; k < 3; ++k) advance();
        while (!at_end()) {
            if (quote == '"' && peek() == '\\') {
                advance();
                if (!at_end()) advance();
            } else if (peek() == quote && peek(1) == quote && peek(2) == quote) {
                // A closing run may hold up to two more quotes, part of the string.
                while (peek() == quote) advance();
                return;
            } else {
                advance();
            }
        }
    }

    // A value whose key stands at depth: strings, arrays and inline tables are followed, any
    // other value (number, date, boolean) is passed over to the next delimiter.
    void value(int depth) {
        skip_blanks();
        const char c = peek();
        if (c == '"' || c == '\'') {
            if (peek(1) == c && peek(2) == c)
                multi_line_string(c);
            else
                one_line_string(c);
        } else if (c == '[') {
            check(depth + 1);
            advance();
            while (true) {
                skip_space();
                if (at_end()) return;
                if (peek() == ']') return advance();
                const std::size_t before = at_;
                value(depth + 1);
                skip_space();
                if (peek() == ',')
                    advance();
                else if (peek() == ']')
                    return advance();
                else if (at_ == before)
                    return;
            }
        } else if (c == '{') {
            advance();
            while (true) {
                skip_space();
                if (at_end()) return;
                if (peek() == '}') return advance();
                const int inner = dotted_key(depth);
                skip_blanks();
                if (peek() != '=') return;
                advance();
                value(inner);
                skip_space();
                if (peek() == ',')
                    advance();
                else if (peek() == '}')
                    return advance();
                else
                    return;
            }
        } else {
            while (!at_end()) {
                const char d = peek();
                if (d == ',' || d == ']' || d == '}' || d == '#' || d == '\n' || d == '\r' ||
                    d == '[' || d == '{')
                    return;
                advance();
            }
        }
    }

    std::string_view text_;
    const std::string& file_;
    std::size_t at_ = 0;
    std::size_t line_start_ = 0;
    int line_ = 1;
};

}  // namespace

void check_toml_nesting(std::string_view text, const std::string& file) {
    nesting_scan(text, file).run();
}

}  // namespace sheetprep
