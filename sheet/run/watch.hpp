// What watches a minimisation when asked to: the progress line and the history file. It only
// reads what the minimiser shows it, so it cannot change a number of the run.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "nlp/observer.hpp"
#include "sheet/output/history.hpp"
#include "sheet/run/command_line.hpp"
#include "sheet/run/progress.hpp"

namespace sheet {

// What a run reads of its chambers at an iterate x(1..n), for the history's columns: their
// numbers, and their readings at x. A problem without chambers has none.
struct chamber_gauge {
    std::vector<std::int32_t> numbers;
    std::function<std::vector<chamber_reading>(std::span<const double>)> read;
};

class watch {
public:
    // Whether anything watches a run with these options (otherwise the minimiser runs bare).
    static bool wanted(const options& o) { return !o.history.empty() || progress::wanted(o); }

    // Creates the history's temporary file when --history is given (failing here if it cannot)
    // and starts the clock of the progress line; the history has columns for the chambers of
    // gauge, when given (which must outlive the watch).
    watch(const options& o, double tolerance, const chamber_gauge* gauge = nullptr);

    // Called for every objective evaluation, so that the history counts them.
    void count() { ++evaluations_; }
    // Called by the minimiser at its starting point and after every iteration.
    void observe(const nlp::iteration_state& state);

    // A run in load steps: the step whose iterations follow, and the end of one that another
    // may follow (the line is erased for the step's summary).
    void begin_step(std::int32_t k, double factor) {
        if (record_) record_->set_load_step(k, factor);
    }
    void end_step() {
        if (line_) line_->erase();
    }

    // The minimiser has returned: erase the line, then put the history in place (which may
    // fail the run).
    void finish();
    // The minimiser has failed: erase the line and put the history in place as far as it went;
    // a history that cannot be written then is passed over, since the failure that ended the
    // run is the one to report. After keep_open(), a run in load steps that tries a failed step
    // again, the history stays open for the rows that follow (finish() or close_after_failure()
    // puts it in place).
    void fail() noexcept;
    void keep_open() { keep_open_ = true; }
    // The history put in place as fail() does without keep_open().
    void close_after_failure() noexcept;

private:
    std::optional<progress> line_;
    std::optional<history> record_;
    const chamber_gauge* gauge_ = nullptr;
    std::int64_t evaluations_ = 0;
    bool keep_open_ = false;
};

}  // namespace sheet
