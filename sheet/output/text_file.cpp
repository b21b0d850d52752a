// Buffered, all-or-nothing writing of one output file.
#include "sheet/output/text_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "sheet/failure.hpp"
#include "sheet/output/format.hpp"
#include "sheet/output/output_path.hpp"
#include "sheet/output/temporaries.hpp"

namespace sheet {

namespace {

// Gives the new file what the old one had: its owner and group where this process may (a
// user may not give a file away; root may), then its permissions. A file system that keeps
// neither leaves the new file as created.
void take_over(int descriptor, const struct stat& old) {
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
        static_cast<void>(::fchown(descriptor, old.st_uid, old.st_gid));
    static_cast<void>(::fchmod(descriptor, old.st_mode & 0777));
}

// Flushes the directory entry a rename made. The file is in place whatever this gives, so a
// directory that cannot be flushed (some file systems refuse) is passed over.
void flush_directory(const std::string& path) {
    const std::string directory = std::filesystem::path(path).parent_path().string();
    const int descriptor =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    static_cast<void>(::fsync(descriptor));
    ::close(descriptor);
}

}  // namespace

text_file::text_file(std::string name) : name_(std::move(name)) {
    const output_target target = checked_target(name_);
    target_ = target.path;
    // The temporary's name is entered for an interrupted run to remove before the file exists,
    // so that no moment leaves a file it does not know of; the process id keeps the name ours.
    for (int attempt = 0;; ++attempt) {
        temporary_ = temporaries::name_for(target_, attempt);
        slot_ = temporaries::enter(temporary_);
        descriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ >= 0) break;
        const int error = errno;
        temporaries::leave(slot_);
        slot_ = -1;
        if (error != EEXIST || attempt == 99)
            throw failure("cannot create " + name_ + ": " + why_not_created(name_, target_, error));
    }
    if (target.exists) take_over(descriptor_, target.status);
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
    // The data reach the disk before the name does: a crash after the rename cannot leave the
    // new name on an empty or partly written file.
    while (::fsync(descriptor_) != 0)
        if (errno != EINTR) fail("write", errno);
    const int descriptor = descriptor_;
    descriptor_ = -1;
    const bool closed = ::close(descriptor) == 0;
    const int error = errno;
    const bool renamed = closed && ::rename(temporary_.c_str(), target_.c_str()) == 0;
    const int rename_error = errno;
    if (!renamed) ::unlink(temporary_.c_str());
    temporaries::leave(slot_);
    slot_ = -1;
    if (!closed) throw failure("cannot write " + name_ + ": " + std::strerror(error));
    if (!renamed) throw failure("cannot create " + name_ + ": " + std::strerror(rename_error));
    flush_directory(target_);
}

void text_file::fail(const char* doing, int error) {
    throw failure(std::string("cannot ") + doing + " " + name_ + ": " + std::strerror(error));
}

}  // namespace sheet
