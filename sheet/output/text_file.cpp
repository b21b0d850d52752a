// Buffered, all-or-nothing writing of one output file.
#include "sheet/output/text_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sheet/failure.hpp"
#include "sheet/output/format.hpp"

namespace sheet {

namespace {

mode_t creation_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

text_file::text_file(std::string name) : name_(std::move(name)), temporary_(name_ + ".XXXXXX") {
    // A file of that name that we may not write is left alone, as an open for writing would.
    struct stat existing {};
    if (::stat(name_.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) fail("create", EISDIR);
        if (::access(name_.c_str(), W_OK) != 0) fail("create", errno);
    }
    descriptor_ = ::mkstemp(temporary_.data());
    if (descriptor_ < 0) fail("create", errno);
    ::fchmod(descriptor_, creation_mode());
    buffer_.reserve(flush_size + 4096);
}

text_file::~text_file() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        ::unlink(temporary_.c_str());
    }
}

void text_file::integer(std::int64_t value, int width) {
    put_integer(buffer_, value, width);
}
void text_file::real(double value, int decimals) {
    put_real(buffer_, value, decimals);
}
void text_file::coordinate(double value) {
    put_coordinate(buffer_, value);
}

void text_file::flush() {
    const char* at = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor_, at, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            fail("write", errno);
        }
        at += written;
        left -= static_cast<std::size_t>(written);
    }
    buffer_.clear();
}

void text_file::commit() {
    flush();
    const int descriptor = descriptor_;
    descriptor_ = -1;
    if (::close(descriptor) != 0) {
        const int error = errno;
        ::unlink(temporary_.c_str());
        descriptor_ = -1;
        throw failure("cannot write " + name_ + ": " + std::strerror(error));
    }
    if (::rename(temporary_.c_str(), name_.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary_.c_str());
        throw failure("cannot create " + name_ + ": " + std::strerror(error));
    }
}

void text_file::fail(const char* doing, int error) {
    throw failure(std::string("cannot ") + doing + " " + name_ + ": " + std::strerror(error));
}

}  // namespace sheet
