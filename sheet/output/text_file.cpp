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
#include "sheet/output/temporaries.hpp"

namespace sheet {

text_file::text_file(std::string name) : name_(std::move(name)) {
    // A file of that name that we may not write is left alone, as an open for writing would.
    struct stat existing {};
    if (::stat(name_.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) fail("create", EISDIR);
        if (::access(name_.c_str(), W_OK) != 0) fail("create", errno);
    }
    // The temporary's name is entered for an interrupted run to remove before the file exists,
    // so that no moment leaves a file it does not know of; the process id keeps the name ours.
    for (int attempt = 0;; ++attempt) {
        temporary_ = name_ + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        slot_ = temporaries::enter(temporary_);
        descriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ >= 0) break;
        const int error = errno;
        temporaries::leave(slot_);
        slot_ = -1;
        if (error != EEXIST || attempt == 99) fail("create", error);
    }
    buffer_.reserve(flush_size + 4096);
}

text_file::~text_file() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        ::unlink(temporary_.c_str());
    }
    temporaries::leave(slot_);
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
    const bool closed = ::close(descriptor) == 0;
    const int error = errno;
    const bool renamed = closed && ::rename(temporary_.c_str(), name_.c_str()) == 0;
    const int rename_error = errno;
    if (!renamed) ::unlink(temporary_.c_str());
    temporaries::leave(slot_);
    slot_ = -1;
    if (!closed) throw failure("cannot write " + name_ + ": " + std::strerror(error));
    if (!renamed) throw failure("cannot create " + name_ + ": " + std::strerror(rename_error));
}

void text_file::fail(const char* doing, int error) {
    throw failure(std::string("cannot ") + doing + " " + name_ + ": " + std::strerror(error));
}

}  // namespace sheet
