// Where an output file is written, and whether it may be: a symbolic link is written through to
// the file it leads to, and anything but a regular file at the name (a directory, a pipe, a
// device, a socket) is refused rather than replaced by one.
#pragma once

#include <sys/stat.h>
#include <string>

namespace sheet {

// The path that writing name replaces: name itself, or, when name is a symbolic link, the path
// its chain of links ends at (a link's relative target taken from the link's directory), which
// need not exist yet. Fails with "cannot create <name>: <reason>" on a loop of links.
std::string written_path(const std::string& name);

// Why what stands at name cannot be replaced by a regular file, as words that follow the name:
// "is a directory, not a regular file", or through a link "leads to '/dev/full', a character
// device, not a regular file". Empty when name is a regular file or nothing is there yet.
std::string not_a_regular_file(const std::string& name);

// What writing name replaces.
struct output_target {
    std::string path;       // as written_path gives it
    bool exists = false;    // a regular file stands there
    struct stat status {};  // its status, when it exists
};

// The target of name, once it is known that what stands there is a regular file this process may
// write, or nothing. Fails with "cannot create <name>: <reason>".
output_target checked_target(const std::string& name);

// Why no file could be created beside target (the path name leads to) with errno error: the
// directory is missing, is no directory, or takes no new file, and why. Follows "cannot create
// <name>: ".
std::string why_not_created(const std::string& name, const std::string& target, int error);

}  // namespace sheet
