// Reading input.txt character by character, with line and column kept for the error reports.
#include "sheet/input/scanner.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "sheet/failure.hpp"

namespace sheet {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string expected::words() const {
    std::string out;
    for (const char c : text) {
        if (c == '#')
            out += std::to_string(number);
        else
            out += c;
    }
    return out;
}

scanner scanner::open(const std::string& file_name) {
    // Without blocking: a named pipe is refused below instead of waiting for a writer.
    const int descriptor = ::open(file_name.c_str(), O_RDONLY | O_NONBLOCK);
    if (descriptor < 0) {
        const int error = errno;
        throw failure(file_name + (error == ENOENT ? ": file not found: " : ": cannot open it: ") +
                      std::strerror(error));
    }
    std::string text;
    struct stat status {};
    if (::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        throw failure(file_name + ": is a directory; " + file_name + " must be a text file");
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(descriptor);
        throw failure(file_name +
                      ": not a regular file (a device, a pipe or a socket has no end "
                      "to read to); input.txt must be a text file");
    }
    if (status.st_size > 0) text.reserve(static_cast<std::size_t>(status.st_size));
    char block[1 << 16];
    for (;;) {
        const ssize_t got = ::read(descriptor, block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int error = errno;
            ::close(descriptor);
            throw failure(file_name + ": cannot read it: " + std::strerror(error));
        }
        if (got == 0) break;
        const std::size_t before = text.size();
        text.append(block, static_cast<std::size_t>(got));
        // Text holds no NUL byte: reading stops at the first, which names where it is.
        if (std::memchr(block, '\0', static_cast<std::size_t>(got)) != nullptr) {
            ::close(descriptor);
            scanner(file_name, std::move(text)).fail_at_nul(before);
        }
    }
    ::close(descriptor);
    return scanner(file_name, std::move(text));
}

scanner::scanner(std::string file_name, std::string text)
    : file_name_(std::move(file_name)), text_(std::move(text)) {}

bool scanner::at_line_break(std::size_t at) const {
    return text_[at] == '\n' ||
           (text_[at] == '\r' && at + 1 < text_.size() && text_[at + 1] == '\n');
}

void scanner::pass_line_break() {
    at_ += text_[at_] == '\r' ? 2 : 1;
    ++line_;
    line_start_ = at_;
}

std::string scanner::first_line() const {
    // A title; a file of one endless line gives its first few kilobytes.
    constexpr std::size_t longest = 4096;
    std::string line = text_.substr(0, std::min(text_.find('\n'), longest));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

void scanner::scan(expected what) {
    for (;;) {
        while (at_ < text_.size() && at_line_break(at_)) pass_line_break();
        if (at_ >= text_.size())
            fail("end of file", "expected the header line of the " + what.words() +
                                    " section (a line starting with ':')");
        const char first = text_[at_++];
        discard_rest_of_line();
        if (first == ':') return;
    }
}

bool scanner::scan_for(std::string_view word) {
    const auto blank = [this](std::size_t at) { return text_[at] == ' ' || text_[at] == '\t'; };
    while (at_ < text_.size()) {
        if (text_[at_] == ':') {
            std::size_t from = at_ + 1;
            while (from < text_.size() && blank(from)) ++from;
            std::size_t to = from;
            while (to < text_.size() && !blank(to) && text_[to] != '\r' && text_[to] != '\n') ++to;
            bool same = to - from == word.size();
            for (std::size_t c = 0; same && c < word.size(); ++c)
                same = std::tolower(static_cast<unsigned char>(text_[from + c])) ==
                       std::tolower(static_cast<unsigned char>(word[c]));
            discard_rest_of_line();
            if (same) return true;
        } else {
            discard_rest_of_line();
        }
    }
    return false;
}

std::string scanner::next_header() {
    const auto blank = [this](std::size_t at) { return text_[at] == ' ' || text_[at] == '\t'; };
    while (at_ < text_.size()) {
        if (text_[at_] != ':') {
            discard_rest_of_line();
            continue;
        }
        std::size_t from = at_ + 1;
        while (from < text_.size() && blank(from)) ++from;
        std::string word;
        for (std::size_t to = from;
             to < text_.size() && !blank(to) && text_[to] != '\r' && text_[to] != '\n'; ++to)
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(text_[to])));
        discard_rest_of_line();
        return word;
    }
    return {};
}

std::string scanner::read_word(expected what) {
    skip_blanks_and_line_breaks();
    if (at_ >= text_.size()) fail("end of file", "expected " + what.words());
    number_start_ = at_;
    std::string word;
    while (at_ < text_.size()) {
        const char c = text_[at_];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') break;
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        ++at_;
    }
    if (word.empty()) fail_at_number("malformed word", "expected " + what.words());
    return word;
}

void scanner::require_no_number(std::string_view kind, expected what) {
    std::size_t at = at_;  // the start of a line, as every read of a section leaves it
    while (at < text_.size() && text_[at] != ':') {
        while (at < text_.size() && (text_[at] == ' ' || text_[at] == '\t')) ++at;
        const bool sign = at + 1 < text_.size() && (text_[at] == '+' || text_[at] == '-');
        if (at < text_.size() && is_digit(text_[sign ? at + 1 : at])) {
            number_start_ = at;
            fail_at_number(kind, what.words());
        }
        const void* found = std::memchr(text_.data() + at, '\n', text_.size() - at);
        if (found == nullptr) return;
        at = static_cast<std::size_t>(static_cast<const char*>(found) - text_.data()) + 1;
    }
}

void scanner::discard_rest_of_line() {
    const void* found = std::memchr(text_.data() + at_, '\n', text_.size() - at_);
    if (found == nullptr) {
        at_ = text_.size();
        return;
    }
    at_ = static_cast<std::size_t>(static_cast<const char*>(found) - text_.data()) + 1;
    ++line_;
    line_start_ = at_;
}

void scanner::skip_blanks_and_line_breaks() {
    while (at_ < text_.size()) {
        const char c = text_[at_];
        if (c == ' ' || c == '\t')
            ++at_;
        else if (at_line_break(at_))
            pass_line_break();
        else
            return;
    }
}

std::size_t scanner::take_digits() {
    const std::size_t from = at_;
    while (at_ < text_.size() && is_digit(text_[at_])) ++at_;
    return at_ - from;
}

std::int32_t scanner::read_integer(expected what) {
    skip_blanks_and_line_breaks();
    if (at_ >= text_.size()) fail("end of file", "expected " + what.words());
    number_start_ = at_;
    const bool negative = text_[at_] == '-';
    if (text_[at_] == '+' || text_[at_] == '-') ++at_;
    const std::size_t digits_from = at_;
    if (take_digits() == 0) fail_at_number("malformed number", "expected " + what.words());
    std::int64_t magnitude = 0;
    for (std::size_t i = digits_from; i < at_; ++i) {
        magnitude = magnitude * 10 + (text_[i] - '0');
        if (magnitude > (std::int64_t{1} << 31)) break;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX || value < INT32_MIN)
        fail_at_number("malformed number",
                       "expected " + what.words() + " (an integer of at most 32 bits)");
    return static_cast<std::int32_t>(value);
}

double scanner::read_real(expected what) {
    skip_blanks_and_line_breaks();
    if (at_ >= text_.size()) fail("end of file", "expected " + what.words());
    number_start_ = at_;
    const auto malformed = [&] { fail_at_number("malformed number", "expected " + what.words()); };
    if (text_[at_] == '+' || text_[at_] == '-') ++at_;
    const std::size_t unsigned_from =
        text_[number_start_] == '+' ? number_start_ + 1 : number_start_;
    if (take_digits() == 0) malformed();
    if (at_ < text_.size() && text_[at_] == '.') {
        ++at_;
        if (take_digits() == 0) malformed();
    }
    if (at_ < text_.size() && (text_[at_] == 'E' || text_[at_] == 'e')) {
        ++at_;
        if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
        if (take_digits() == 0) malformed();
    }
    double value = 0.0;
    const char* first = text_.data() + unsigned_from;
    const char* last = text_.data() + at_;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error == std::errc::result_out_of_range) {
        // Too small to be told from zero is zero (with its sign); too large is no number.
        const std::string token(first, last);
        value = std::strtod(token.c_str(), nullptr);
        if (std::isinf(value))
            fail_at_number("malformed number", "expected " + what.words() +
                                                   " (its magnitude is beyond double precision)");
    } else if (error != std::errc() || end != last) {
        malformed();
    }
    return value;
}

void scanner::require_room(std::int64_t count, int min_length, expected what) {
    if (count <= 0) return;
    const auto left = static_cast<std::int64_t>(text_.size() - at_);
    if (count * min_length - 1 > left)
        fail("end of file", "expected " + std::to_string(count) + " " + what.words() +
                                (count == 1 ? "" : "s") +
                                ", more than the rest of the file can hold");
}

void scanner::fail(std::string_view kind, const std::string& what) const {
    fail_at(at_, kind, what);
}

void scanner::fail_at_number(std::string_view kind, const std::string& what) const {
    fail_at(number_start_, kind, what);
}

void scanner::fail_at_nul(std::size_t from) const {
    const std::size_t at = text_.find('\0', from);
    fail_at(at, "not text", "a NUL byte; " + file_name_ + " must be a text file");
}

void scanner::fail_at(std::size_t offset, std::string_view kind, const std::string& what) const {
    // Line and column of offset, counted from the start of the current line.
    std::int64_t line = line_;
    std::size_t line_start = line_start_;
    if (offset < line_start_) {
        line = 1;
        line_start = 0;
        for (std::size_t i = 0; i < offset; ++i)
            if (text_[i] == '\n') ++line, line_start = i + 1;
    } else {
        for (std::size_t i = line_start_; i < offset && i < text_.size(); ++i)
            if (text_[i] == '\n') ++line, line_start = i + 1;
    }
    const auto column = static_cast<std::int64_t>(offset - line_start) + 1;
    throw failure(file_name_ + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " +
                  std::string(kind) + ": " + what);
}

}  // namespace sheet
