// The temporary files being written, in a fixed table that a signal handler may read: an
// interrupted run removes them with nothing but atomic loads and unlink().
#pragma once

#include <string>

namespace sheet::temporaries {

// Enters path in the table, before the file is created; returns its slot, or -1 when the table
// is full or the path too long, the file then being written without that protection.
int enter(const std::string& path) noexcept;

// Takes the slot out of the table once its file is renamed into place or removed; -1 is
// passed over.
void leave(int slot) noexcept;

// Removes every file in the table. Async-signal-safe: for a signal handler.
void remove_all() noexcept;

}  // namespace sheet::temporaries
