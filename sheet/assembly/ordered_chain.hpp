// Items finished on any thread and taken up strictly in item order, each as soon as every item
// before it is taken up: whichever thread finishes the item that lets the order go on takes up
// that item and every finished one after it. A sum formed in take-up is therefore formed in item
// order, as by one thread alone, while the later items are still being worked on.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

namespace sheet {

class ordered_chain {
public:
    // Items 0..count-1, none finished.
    void reset(std::size_t count) {
        if (count > capacity_) {
            finished_ = std::make_unique<std::atomic<bool>[]>(count);
            capacity_ = count;
        }
        for (std::size_t i = 0; i < count; ++i)
            finished_[i].store(false, std::memory_order_relaxed);
        count_ = count;
        next_ = 0;
        busy_.store(false, std::memory_order_relaxed);
    }

    // Marks item finished (once per item, from any thread), then runs take_up(i) for every
    // item i that is now next in order and finished, unless another thread is taking up, which
    // then takes these up too. take_up never runs on two threads at once, and it sees all that
    // the thread which finished its item wrote before finish.
    template <class TakeUp>
    void finish(std::size_t item, TakeUp&& take_up) {
        // Sequentially consistent throughout: a thread that leaves take-up looks at the next item
        // after letting go, and a thread that finishes an item looks at busy_ after marking it,
        // so one of the two always sees the other.
        finished_[item].store(true);
        for (;;) {
            if (busy_.exchange(true)) return;
            while (next_ < count_ && finished_[next_].load()) take_up(next_++);
            const std::size_t next = next_;
            busy_.store(false);
            if (next >= count_ || !finished_[next].load()) return;
        }
    }

private:
    std::unique_ptr<std::atomic<bool>[]> finished_;
    std::size_t capacity_ = 0;
    std::size_t count_ = 0;
    std::size_t next_ = 0;  // read and written only while busy_ is held, or between batches
    std::atomic<bool> busy_{false};
};

}  // namespace sheet
