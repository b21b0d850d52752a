// The worker threads: they wait for a batch of tasks, claim tasks from a shared counter until
// none are left, and wait again. The calling thread claims tasks as well and waits for the last.
#include "sheet/worker_pool.hpp"

#include <sched.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sheet/failure.hpp"

namespace sheet {

namespace {

int affinity_cpus() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    const int count = CPU_COUNT(&set);
    return count > 0 ? count : 1;
}

// One batch of tasks at a time. A batch is announced by a new generation number; workers spin
// briefly on it (evaluations follow each other closely) and then sleep on it.
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
        finished_.store(0, std::memory_order_relaxed);
        failed_.store(false, std::memory_order_relaxed);
        error_ = nullptr;
        generation_.fetch_add(1, std::memory_order_release);
        generation_.notify_all();
        work();
        // Every helper takes part in every batch, so that none can still be reading this batch
        // when the next one is set up.
        const int helpers = threads - 1;
        for (int spin = 0; finished_.load(std::memory_order_acquire) != helpers; ++spin)
            if (spin >= 4096) std::this_thread::yield();
        if (error_) std::rethrow_exception(error_);
    }

private:
    void start(int helpers) {
        if (static_cast<int>(threads_.size()) == helpers) return;
        stop();
        quit_.store(false);
        // Each helper starts from the generation before the batch it is started for.
        const std::uint64_t seen = generation_.load();
        for (int t = 0; t < helpers; ++t) threads_.emplace_back([this, seen] { serve(seen); });
    }

    void stop() {
        if (threads_.empty()) return;
        quit_.store(true);
        generation_.fetch_add(1, std::memory_order_release);
        generation_.notify_all();
        for (std::thread& t : threads_) t.join();
        threads_.clear();
    }

    void serve(std::uint64_t seen) {
        for (;;) {
            std::uint64_t now = seen;
            for (int spin = 0; spin < 20000 && now == seen; ++spin)
                now = generation_.load(std::memory_order_acquire);
            while (now == seen) {
                generation_.wait(seen, std::memory_order_acquire);
                now = generation_.load(std::memory_order_acquire);
            }
            seen = now;
            if (quit_.load()) return;
            work();
            finished_.fetch_add(1, std::memory_order_acq_rel);
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
        }
    }

    mutable int wanted_ = 0;
    std::vector<std::thread> threads_;
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<bool> quit_{false};
    detail::task_function function_ = nullptr;
    void* context_ = nullptr;
    std::size_t count_ = 0;
    std::atomic<std::size_t> next_{0};
    std::atomic<int> finished_{0};
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
