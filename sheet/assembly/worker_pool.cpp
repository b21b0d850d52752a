// The worker threads: they wait for a batch of tasks, claim tasks from a shared counter until
// none are left, and wait again. The calling thread claims tasks as well and waits for the last.
#include "sheet/assembly/worker_pool.hpp"

#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sheet/failure.hpp"

namespace sheet {

namespace {

// A short wait in a spinning loop that lets the other hardware thread of the core run.
inline void pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

int affinity_cpus() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    const int count = CPU_COUNT(&set);
    return count > 0 ? count : 1;
}

// One batch of tasks at a time, announced in one word: its generation, whether it is closed to
// newcomers, and how many helpers are inside it. Helpers spin briefly on the word (evaluations
// follow each other closely) and then sleep on it. A helper joins a batch only while it is
// open, so the caller never waits for a helper that the system has not yet woken: it does the
// tasks itself, closes the batch and waits only for the helpers inside.
constexpr std::uint64_t closed_bit = std::uint64_t{1} << 32;
constexpr std::uint64_t inside_mask = closed_bit - 1;
constexpr int generation_shift = 33;

class pool {
public:
    ~pool() { stop(); }

    void resize(int threads) {
        stop();
        wanted_ = threads;
    }

    int size() const { return wanted_ > 0 ? wanted_ : (wanted_ = affinity_cpus()); }

    void run(std::size_t count, detail::task_function function, void* context) {
        const int threads = size();
        if (threads <= 1 || count <= 1) {
            for (std::size_t i = 0; i < count; ++i) function(context, i);
            return;
        }
        start(threads - 1);
        function_ = function;
        context_ = context;
        count_ = count;
        next_.store(0, std::memory_order_relaxed);
        done_.store(0, std::memory_order_relaxed);
        failed_.store(false, std::memory_order_relaxed);
        error_ = nullptr;
        state_.store(++generation_ << generation_shift, std::memory_order_release);
        state_.notify_all();
        work();
        for (int spin = 0; done_.load(std::memory_order_acquire) != count; ++spin)
            if (spin >= 1024) std::this_thread::yield();
        // No helper may still be about to claim a task when the next batch is set up.
        state_.fetch_or(closed_bit, std::memory_order_acq_rel);
        for (int spin = 0; (state_.load(std::memory_order_acquire) & inside_mask) != 0; ++spin)
            if (spin >= 1024) std::this_thread::yield();
        if (error_) std::rethrow_exception(error_);
    }

private:
    void start(int helpers) {
        if (static_cast<int>(threads_.size()) == helpers) return;
        stop();
        quit_.store(false);
        const std::uint64_t seen = generation_;
        // The helpers are started with SIGINT and SIGTERM blocked (a thread inherits its
        // creator's mask), so that the handler of an interrupt always runs on the calling
        // thread: on a helper it would erase the progress line while the calling thread might
        // still draw it again.
        sigset_t interrupts, before;
        sigemptyset(&interrupts);
        sigaddset(&interrupts, SIGINT);
        sigaddset(&interrupts, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &interrupts, &before);
        struct restore {
            const sigset_t* mask;
            ~restore() { pthread_sigmask(SIG_SETMASK, mask, nullptr); }
        } restored{&before};
        for (int t = 0; t < helpers; ++t) threads_.emplace_back([this, seen] { serve(seen); });
    }

    void stop() {
        if (threads_.empty()) return;
        quit_.store(true);
        state_.store(++generation_ << generation_shift, std::memory_order_release);
        state_.notify_all();
        for (std::thread& t : threads_) t.join();
        threads_.clear();
    }

    // seen: the generation of the last batch this helper has met.
    void serve(std::uint64_t seen) {
        for (;;) {
            std::uint64_t s = state_.load(std::memory_order_acquire);
            // About a third of a millisecond of spinning covers the minimiser's work between
            // two evaluations of a mid-sized sheet.
            for (int spin = 0; s >> generation_shift == seen; ++spin) {
                if (spin < 20000)
                    pause();
                else
                    state_.wait(s, std::memory_order_acquire);
                s = state_.load(std::memory_order_acquire);
            }
            seen = s >> generation_shift;
            if (quit_.load()) return;
            bool inside = false;
            while (!inside && (s & closed_bit) == 0 && s >> generation_shift == seen)
                inside = state_.compare_exchange_weak(s, s + 1, std::memory_order_acq_rel,
                                                      std::memory_order_acquire);
            if (!inside) continue;
            work();
            state_.fetch_sub(1, std::memory_order_release);
        }
    }

    // Claims and runs tasks until none is left; after a failure the rest are claimed and skipped.
    void work() {
        const std::size_t count = count_;
        for (;;) {
            const std::size_t i = next_.fetch_add(1, std::memory_order_relaxed);
            if (i >= count) return;
            if (!failed_.load(std::memory_order_relaxed)) {
                try {
                    function_(context_, i);
                } catch (...) {
                    std::lock_guard<std::mutex> lock(error_mutex_);
                    if (!error_) error_ = std::current_exception();
                    failed_.store(true);
                }
            }
            done_.fetch_add(1, std::memory_order_release);
        }
    }

    mutable int wanted_ = 0;
    std::vector<std::thread> threads_;
    std::uint64_t generation_ = 0;  // of the last batch; the calling thread's own
    std::atomic<std::uint64_t> state_{0};
    std::atomic<bool> quit_{false};
    detail::task_function function_ = nullptr;
    void* context_ = nullptr;
    std::size_t count_ = 0;
    std::atomic<std::size_t> next_{0};
    std::atomic<std::size_t> done_{0};
    std::atomic<bool> failed_{false};
    std::mutex error_mutex_;
    std::exception_ptr error_;
};

pool& the_pool() {
    static pool workers;
    return workers;
}

}  // namespace

void set_worker_count(int n) {
    if (n < 1) throw failure("the number of threads must be at least 1, not " + std::to_string(n));
    the_pool().resize(n);
}

int worker_count() {
    return the_pool().size();
}

namespace detail {

void run_tasks(std::size_t count, task_function function, void* context) {
    the_pool().run(count, function, context);
}

}  // namespace detail

}  // namespace sheet
