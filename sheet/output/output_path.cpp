// Following an output name's links to the file it replaces, and saying why it cannot be written.
#include "sheet/output/output_path.hpp"

#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "sheet/failure.hpp"

namespace sheet {

namespace fs = std::filesystem;

namespace {

// As many links as the kernel follows in one path before it gives ELOOP.
constexpr int most_links = 40;

// The end of name's chain of links, or false when the chain loops or is longer than most_links.
bool follow_links(const std::string& name, std::string& path) {
    path = name;
    for (int links = 0;; ++links) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return true;
        if (links == most_links) return false;
        std::error_code error;
        const fs::path next = fs::read_symlink(path, error);
        if (error) return true;  // a link that cannot be read: what comes next reports it
        path = (next.is_relative() ? fs::path(path).parent_path() / next : next).string();
    }
}

const char* kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a named pipe (FIFO)";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "a special file";
}

// The words of not_a_regular_file for what stands at target, which name leads to.
std::string irregular(const std::string& name, const std::string& target, mode_t mode) {
    const std::string what = std::string(kind_of(mode)) + ", not a regular file";
    if (target == name) return "is " + what;
    return "leads to '" + target + "', " + what;
}

}  // namespace

std::string written_path(const std::string& name) {
    std::string path;
    if (!follow_links(name, path))
        throw failure("cannot create " + name + ": " + std::strerror(ELOOP));
    return path;
}

std::string not_a_regular_file(const std::string& name) {
    std::string target;
    struct stat status {};
    if (!follow_links(name, target) || ::lstat(target.c_str(), &status) != 0 ||
        S_ISREG(status.st_mode) || S_ISLNK(status.st_mode))
        return {};
    return irregular(name, target, status.st_mode);
}

output_target checked_target(const std::string& name) {
    output_target out{.path = written_path(name)};
    // Nothing there (or a path that cannot be looked into) is for the creation to report.
    if (::lstat(out.path.c_str(), &out.status) != 0) return out;
    if (!S_ISREG(out.status.st_mode))
        throw failure("cannot create " + name + ": it " +
                      irregular(name, out.path, out.status.st_mode));
    // A file we may not write is left alone, as an open for writing would leave it.
    if (::access(out.path.c_str(), W_OK) != 0)
        throw failure("cannot create " + name + ": the file may not be written (" +
                      std::strerror(errno) + ")");
    out.exists = true;
    return out;
}

std::string why_not_created(const std::string& name, const std::string& target, int error) {
    const fs::path directory = fs::path(target).parent_path();
    std::string shown = directory.string();
    if (shown.empty()) {
        std::error_code unknown;
        const fs::path here = fs::current_path(unknown);
        shown = unknown ? fs::path(".").string() : here.string();
    }
    const std::string through =
        target == name ? std::string() : " (" + name + " leads to '" + target + "')";
    struct stat status {};
    if (::stat(directory.empty() ? "." : directory.c_str(), &status) != 0) {
        const int missing = errno;
        if (missing == ENOENT) return "the directory '" + shown + "' does not exist" + through;
        if (missing == ENOTDIR) return "'" + shown + "' is not a directory" + through;
        return "the directory '" + shown + "' cannot be reached" + through + " (" +
               std::strerror(missing) + ")";
    }
    if (!S_ISDIR(status.st_mode)) return "'" + shown + "' is not a directory" + through;
    std::string why = "no new file can be made in the directory '" + shown + "'" + through + " (" +
                      std::strerror(error) + ")";
    // The name exists: say why a file is created for it at all.
    if (::access(target.c_str(), F_OK) == 0)
        why += "; each output is written beside its name first, then renamed over it";
    return why;
}

}  // namespace sheet
