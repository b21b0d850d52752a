// The table of temporary files: each slot holds a path and a state that says whether the path
// may be read, so that a handler never reads a path while it is being copied. Beside it, the
// clearing of temporaries that killed runs left.
#include "sheet/output/temporaries.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string_view>

namespace sheet::temporaries {

namespace {

enum state : int { free_slot, filling, entered };

struct slot {
    std::atomic<int> state{free_slot};
    char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler reads the states");

// A run writes at most a few files at once; more would go unprotected, not fail.
slot table[16];

constexpr std::string_view marker = ".tmp-";

// The value of text when it is a whole number as std::to_string writes one (digits, no sign, no
// leading zero) no larger than most; otherwise -1.
long long whole_number(std::string_view text, long long most) {
    if (text.empty() || text.size() > 19 || (text[0] == '0' && text.size() > 1)) return -1;
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
        if (value > most) return -1;
    }
    return value;
}

// The process id of a temporary named "BASE.tmp-PID-N" with BASE one of bases, or 0 when name
// is not such a temporary.
pid_t temporary_of(std::string_view name, const std::set<std::string, std::less<>>& bases) {
    const std::size_t dash = name.rfind('-');
    if (dash == std::string_view::npos || whole_number(name.substr(dash + 1), 99) < 0) return 0;
    const std::string_view head = name.substr(0, dash);
    const std::size_t at = head.rfind(marker);
    if (at == std::string_view::npos) return 0;
    const long long pid = whole_number(head.substr(at + marker.size()), INT_MAX);
    if (pid <= 0 || !bases.contains(head.substr(0, at))) return 0;
    return static_cast<pid_t>(pid);
}

// Whether no process has that id (one we may not signal still exists).
bool gone(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

void remove_stale_in(const std::string& directory,
                     const std::set<std::string, std::less<>>& bases) {
    DIR* listing = ::opendir(directory.c_str());
    if (listing == nullptr) return;
    const int descriptor = ::dirfd(listing);
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(listing)) {
        const pid_t pid = temporary_of(entry->d_name, bases);
        if (pid == 0 || pid == self || !gone(pid)) continue;
        struct stat status {};
        if (::fstatat(descriptor, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(status.st_mode))
            ::unlinkat(descriptor, entry->d_name, 0);
    }
    ::closedir(listing);
}

}  // namespace

std::string name_for(const std::string& target, int attempt) {
    return target + std::string(marker) + std::to_string(::getpid()) + "-" +
           std::to_string(attempt);
}

int enter(const std::string& path) noexcept {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < static_cast<int>(std::size(table)); ++i) {
        int expected = free_slot;
        if (!table[i].state.compare_exchange_strong(expected, filling)) continue;
        std::memcpy(table[i].path, path.c_str(), path.size() + 1);
        table[i].state.store(entered, std::memory_order_release);
        return i;
    }
    return -1;
}

void leave(int slot) noexcept {
    if (slot >= 0) table[slot].state.store(free_slot, std::memory_order_release);
}

void remove_all() noexcept {
    for (slot& s : table)
        if (s.state.load(std::memory_order_acquire) == entered) ::unlink(s.path);
}

void remove_stale(const std::vector<std::string>& targets) noexcept {
    try {
        // One listing of each directory for all the targets in it.
        std::map<std::string, std::set<std::string, std::less<>>> by_directory;
        for (const std::string& target : targets) {
            const std::filesystem::path path(target);
            const std::string directory = path.parent_path().string();
            by_directory[directory.empty() ? "." : directory].insert(path.filename().string());
        }
        for (const auto& [directory, bases] : by_directory) remove_stale_in(directory, bases);
    } catch (...) {  // out of memory: the temporaries wait for another run
    }
}

}  // namespace sheet::temporaries
