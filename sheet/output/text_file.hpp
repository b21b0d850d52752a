// An output file written completely or not at all: the text (and any raw bytes, such as a .vtu's
// appended data) goes to a temporary file in the same directory, which replaces the file of that
// name only once it is whole and on disk. A name that is a symbolic link is written through: the
// file it leads to is replaced and the link stays. Anything else but a regular file at the name
// (a directory, a pipe, a device) is refused, never replaced.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sheet {

class text_file {
public:
    // Creates the temporary file beside the file name leads to, with that file's permissions
    // (and owner, where this process may give it) when it exists; fails with "cannot create
    // <name>: <reason>".
    explicit text_file(std::string name);
    ~text_file();  // an uncommitted file is removed, and the old file of that name stays
    text_file(const text_file&) = delete;
    text_file& operator=(const text_file&) = delete;

    void put(std::string_view text) { buffer_.append(text); }
    // Raw bytes, written on as the buffer fills: for binary content of any length.
    void put_bytes(const void* data, std::size_t size) {
        buffer_.append(static_cast<const char*>(data), size);
        if (buffer_.size() >= flush_size) flush();
    }
    // Writes character count times; nothing when count <= 0.
    void putchar(char character, int count) {
        if (count > 0) buffer_.append(static_cast<std::size_t>(count), character);
    }
    void integer(std::int64_t value, int width);
    void real(double value, int decimals);
    void coordinate(double value);
    // Ends the line with carriage return and line feed.
    void end_line() {
        buffer_.append("\r\n");
        if (buffer_.size() >= flush_size) flush();
    }

    // Writes what is left, flushes the file to disk, closes it and renames it over the file name
    // leads to, then flushes the directory, so that a crash leaves the old file or the new one.
    void commit();

private:
    static constexpr std::size_t flush_size = std::size_t{1} << 20;
    void flush();
    [[noreturn]] void fail(const char* doing, int error);

    std::string name_;
    std::string target_;  // what name leads to: name, or the end of its symbolic links
    std::string temporary_;
    std::string buffer_;
    int descriptor_ = -1;
    int slot_ = -1;  // in the table of temporaries an interrupted run removes
};

}  // namespace sheet
