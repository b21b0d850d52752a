// The lexical reader of input.txt: header scan, free-format integers and reals, discarding the
// rest of a line or a whole line. Every failure names the file, line, column, kind of failure
// and what was expected.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sheet {

// What a read expects, for its error report: text in which one '#' stands for number. Built
// cheaply on every read; turned into words only when the read fails.
struct expected {
    std::string_view text;
    std::int64_t number = 0;
    std::string words() const;
};

class scanner {
public:
    // The whole text of a file; fails with "file not found" when there is none, with the
    // system's reason when it cannot be opened or read, and names the file when it is a
    // directory, is not a regular file (a device or a pipe may have no end) or holds a NUL byte
    // (reading stops there).
    static scanner open(const std::string& file_name);
    scanner(std::string file_name, std::string text);

    // The text's first line, without its line break.
    std::string first_line() const;

    // Passes over lines until it has passed one whose first character is ':'. what names the
    // section whose header is expected.
    void scan(expected what);

    // Passes over lines until it has passed a header line whose first word (after the ':' and
    // any blanks) is word, in any case. Returns false, with the text all passed, when none
    // follows.
    bool scan_for(std::string_view word);
    // Passes over lines until it has passed a header line; returns its first word (after the
    // ':' and any blanks) in lower case, or "" with the text all passed when none follows.
    std::string next_header();
    // Fails as kind when, before the next header line or the end of the text, a line starts
    // with a number (after blanks): more lines than what counted them. Reads nothing.
    void require_no_number(std::string_view kind, expected what);

    // An optional sign and decimal digits, fitting in 32 bits, after blanks and line breaks.
    std::int32_t read_integer(expected what);
    // The letters, digits, '-' and '_' that follow, after blanks and line breaks, in lower case.
    std::string read_word(expected what);
    // Sign, digits, optional fraction and exponent; a value beyond double precision is malformed.
    double read_real(expected what);

    // Drops everything up to and including the next line break.
    void discard_rest_of_line();
    // Drops the next line whole, whatever it holds.
    void discard_line() { discard_rest_of_line(); }

    // Fails as "end of file" when count lines of at least min_length characters each (their line
    // breaks included) cannot fit in what is left of the file. what names one such line.
    void require_room(std::int64_t count, int min_length, expected what);

    // Reports a failure at the current position, or at the start of the last number read.
    [[noreturn]] void fail(std::string_view kind, const std::string& what) const;
    [[noreturn]] void fail_at_number(std::string_view kind, const std::string& what) const;

private:
    void skip_blanks_and_line_breaks();
    bool at_line_break(std::size_t at) const;
    void pass_line_break();
    std::size_t take_digits();
    [[noreturn]] void fail_at_nul(std::size_t from) const;
    [[noreturn]] void fail_at(std::size_t offset, std::string_view kind,
                              const std::string& what) const;

    std::string file_name_;
    std::string text_;
    std::size_t at_ = 0;
    std::size_t number_start_ = 0;
    std::int64_t line_ = 1;
    std::size_t line_start_ = 0;
};

}  // namespace sheet
