// The workers under the objective frame: threads started once and kept for the run, one per CPU
// the process may run on (or as many as set), sharing numbered tasks with the calling thread.
#pragma once

#include <cstddef>
#include <utility>

namespace sheet {

// Below this many elements (or items of an ordered pass) one thread does everything: the work
// of fewer is over before the workers would have woken.
constexpr std::size_t threads_from = 8192;

// Sets the number of threads that share tasks, the calling thread included (n >= 1; 1 runs
// every task on the calling thread). Must not be called while tasks run.
void set_worker_count(int n);

// The number set, or else the CPUs in this process's affinity mask.
int worker_count();

namespace detail {

using task_function = void (*)(void* context, std::size_t task);
void run_tasks(std::size_t count, task_function function, void* context);

}  // namespace detail

// Runs task(i) for every i in [0, count) on the workers and the calling thread, each i once,
// in no fixed order and on no fixed thread; returns when all have run. A task must therefore
// write nothing that another task reads or writes. An exception from a task skips the tasks not
// yet started and is rethrown here (the first one, when several fail). One batch runs at a
// time: run_tasks is called from one thread and never from inside a task.
template <class Task>
void run_tasks(std::size_t count, Task&& task) {
    auto* context = &task;
    detail::run_tasks(
        count, [](void* c, std::size_t i) { (*static_cast<decltype(context)>(c))(i); },
        static_cast<void*>(context));
}

// run_tasks when on_workers; else every task in ascending order on the calling thread, which may
// then be a task of the workers itself.
template <class Task>
void run_tasks_if(bool on_workers, std::size_t count, Task&& task) {
    if (on_workers)
        run_tasks(count, task);
    else
        for (std::size_t t = 0; t < count; ++t) task(t);
}

}  // namespace sheet
