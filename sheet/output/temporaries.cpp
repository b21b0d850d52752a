// The table of temporary files: each slot holds a path and a state that says whether the path
// may be read, so that a handler never reads a path while it is being copied.
#include "sheet/output/temporaries.hpp"

#include <limits.h>
#include <unistd.h>
#include <atomic>
#include <cstring>

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

}  // namespace

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

}  // namespace sheet::temporaries
