// fork, limits, a pipe and a watch on the child's time and memory.
#include "sheetprep/child_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <new>

#include "sheet/failure.hpp"

// AddressSanitizer reserves terabytes of address space for its shadow memory: under it the
// child's memory is bounded by the parent's watch of its resident memory alone.
#if defined(__SANITIZE_ADDRESS__)
#define SHEETPREP_ADDRESS_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SHEETPREP_ADDRESS_SANITIZED 1
#endif
#endif

namespace sheetprep {

namespace {

// The child's exit status when an allocation failed.
constexpr int out_of_memory_status = 86;
// The first byte of what the child writes: a result follows, or a failure's message, or the
// message of an exception that escaped a thread of the work.
constexpr char result_mark = 'R';
constexpr char failure_mark = 'F';
constexpr char escaped_mark = 'E';

// The child's end of the pipe, for the terminate handler.
int result_end = -1;

extern "C" void on_no_memory() {
    ::_exit(out_of_memory_status);
}

void write_all(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) ::_exit(1);  // the parent is gone
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void set_limit(int resource, rlim_t value) {
    const rlimit limit{value, value};
    ::setrlimit(resource, &limit);
}

// An exception that leaves a thread of the work ends in std::terminate (gmsh throws its errors,
// as std::string, from inside its OpenMP loops): it is still the work's failure, with its
// message. The first thread to get here speaks; any other waits for the end.
[[noreturn]] void on_terminate() {
    static std::atomic_flag spoken = ATOMIC_FLAG_INIT;
    if (spoken.test_and_set())
        while (true) ::pause();
    std::string message = "an exception of unknown type";
    const std::exception_ptr escaped = std::current_exception();
    if (!escaped) std::abort();
    try {
        std::rethrow_exception(escaped);
    } catch (const std::bad_alloc&) {
        ::_exit(out_of_memory_status);
    } catch (const std::string& text) {
        message = text;
    } catch (const std::exception& failure) {
        message = failure.what();
    } catch (...) {
    }
    write_all(result_end, &escaped_mark, 1);
    write_all(result_end, message.data(), message.size());
    ::_exit(0);
}

[[noreturn]] void child_main(int fd, pid_t parent, const std::function<std::string()>& work,
                             [[maybe_unused]] const child_limits& limits) {
    // The parent's handlers (its clean-up on an interrupt, a fuzzer's or a sanitizer's crash
    // report) have no business here: the parent reports how the child ended.
    for (const int signal : {SIGINT, SIGTERM, SIGPIPE, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        std::signal(signal, SIG_DFL);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(1);  // the parent died before the line above
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        if (null > STDERR_FILENO) ::close(null);
    }
    set_limit(RLIMIT_CORE, 0);  // a crash leaves no core file in the user's folder
#if !defined(SHEETPREP_ADDRESS_SANITIZED)
    if (limits.memory > 0) set_limit(RLIMIT_AS, static_cast<rlim_t>(limits.memory));
#endif
    std::set_new_handler(on_no_memory);
    result_end = fd;
    std::set_terminate(on_terminate);

    std::string out;
    char mark = result_mark;
    try {
        out = work();
    } catch (const std::bad_alloc&) {
        ::_exit(out_of_memory_status);
    } catch (const std::exception& failure) {
        mark = failure_mark;
        out = failure.what();
    } catch (...) {
        mark = failure_mark;
        out = "an exception of unknown type";
    }
    write_all(fd, &mark, 1);
    write_all(fd, out.data(), out.size());
    ::_exit(0);
}

// The resident memory of a process in bytes (0 when it cannot be read).
std::uint64_t resident_bytes(pid_t pid) {
    std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
    std::uint64_t size = 0, resident = 0;
    if (!(statm >> size >> resident)) return 0;
    return resident * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace

child_result run_in_child(const std::function<std::string()>& work, const child_limits& limits) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        throw sheet::failure(std::string("cannot make a pipe for gmsh's process: ") +
                             std::strerror(errno));
    // Nothing buffered in the parent may be written a second time by the child.
    std::fflush(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int error = errno;
        ::close(ends[0]);
        ::close(ends[1]);
        throw sheet::failure(std::string("cannot start a process for gmsh: ") +
                             std::strerror(error));
    }
    if (pid == 0) {
        ::close(ends[0]);
        child_main(ends[1], parent, work, limits);
    }
    ::close(ends[1]);

    using clock = std::chrono::steady_clock;
    const auto deadline =
        clock::now() + std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(
                           limits.seconds > 0.0 ? limits.seconds : 0.0));
    child_result result;
    bool timed_out = false, swollen = false;
    char block[1 << 16];
    while (true) {
        pollfd ready{ends[0], POLLIN, 0};
        const int polled = ::poll(&ready, 1, 100);
        if (polled > 0) {
            const ssize_t got = ::read(ends[0], block, sizeof block);
            if (got == 0) break;
            if (got > 0) result.bytes.append(block, static_cast<std::size_t>(got));
            if (got < 0 && errno != EINTR && errno != EAGAIN) break;
        }
        if (limits.seconds > 0.0 && clock::now() >= deadline) {
            timed_out = true;
            ::kill(pid, SIGKILL);
            break;
        }
        if (limits.memory > 0 && resident_bytes(pid) > limits.memory) {
            swollen = true;
            ::kill(pid, SIGKILL);
            break;
        }
    }
    ::close(ends[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }

    if (timed_out) {
        result.end = child_end::timed_out;
    } else if (swollen || (WIFEXITED(status) && WEXITSTATUS(status) == out_of_memory_status)) {
        result.end = child_end::out_of_memory;
    } else if (WIFSIGNALED(status)) {
        result.end = child_end::crashed;
        result.signal = WTERMSIG(status);
    } else if (WEXITSTATUS(status) == 0 && !result.bytes.empty() &&
               (result.bytes[0] == result_mark || result.bytes[0] == failure_mark ||
                result.bytes[0] == escaped_mark)) {
        result.end = result.bytes[0] == result_mark ? child_end::done : child_end::failed;
        result.escaped = result.bytes[0] == escaped_mark;
        result.bytes.erase(0, 1);
        return result;
    } else {
        result.end = child_end::crashed;
        result.exit_status = WEXITSTATUS(status);
    }
    result.bytes.clear();
    return result;
}

}  // namespace sheetprep
