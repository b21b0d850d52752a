// The progress line and the history file fed from the minimiser's observer.
#include "sheet/run/watch.hpp"

#include "nlp/norm.hpp"

namespace sheet {

watch::watch(const options& o, double tolerance, const chamber_gauge* gauge) {
    if (gauge != nullptr && !gauge->numbers.empty()) gauge_ = gauge;
    if (!o.history.empty())
        record_.emplace(o.history, o.steps > 1,
                        gauge_ != nullptr ? gauge_->numbers : std::vector<std::int32_t>{});
    if (progress::wanted(o)) line_.emplace(tolerance, progress::clock::now());
}

void watch::observe(const nlp::iteration_state& state) {
    const progress::clock::time_point now =
        line_ ? progress::clock::now() : progress::clock::time_point{};
    const bool draw = line_ && line_->due(now);
    if (!record_ && !draw) return;
    const double residual = nlp::norm(state.gradient);
    if (record_)
        record_->add(state, residual, evaluations_,
                     gauge_ != nullptr ? gauge_->read(state.x) : std::vector<chamber_reading>{});
    if (draw) line_->draw(state.iteration, state.energy, residual, now);
}

void watch::finish() {
    if (line_) line_->erase();
    if (record_) record_->commit();
}

void watch::fail() noexcept {
    if (line_) line_->erase();
    if (!keep_open_) close_after_failure();
}

void watch::close_after_failure() noexcept {
    if (!record_) return;
    try {
        record_->commit();
    } catch (...) {
    }
}

}  // namespace sheet
