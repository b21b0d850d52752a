// The temporary files being written, in a fixed table that a signal handler may read: an
// interrupted run removes them with nothing but atomic loads and unlink(). A run killed outright
// (SIGKILL, a power cut) cannot; the next run beside the same files removes what it left.
#pragma once

#include <string>
#include <vector>

namespace sheet::temporaries {

// The name of the temporary that is written whole and then renamed over target:
// "TARGET.tmp-PID-N", PID this process's id and N the attempt (0 to 99).
std::string name_for(const std::string& target, int attempt);

// Enters path in the table, before the file is created; returns its slot, or -1 when the table
// is full or the path too long, the file then being written without that protection.
int enter(const std::string& path) noexcept;

// Takes the slot out of the table once its file is renamed into place or removed; -1 is
// passed over.
void leave(int slot) noexcept;

// Removes every file in the table. Async-signal-safe: for a signal handler.
void remove_all() noexcept;

// Removes the temporaries that killed runs left beside each of targets: the regular files named
// exactly "TARGET.tmp-PID-N" (as name_for makes them) whose process PID no longer exists. A
// file of a live process (this one, another run, or a process that took the PID since) and any
// other file are left alone; a directory that cannot be read is passed over.
void remove_stale(const std::vector<std::string>& targets) noexcept;

}  // namespace sheet::temporaries
