// The rows of the history file.
#include "sheet/output/history.hpp"

#include <charconv>
#include <stdexcept>

namespace sheet {

namespace {

void put_shortest(text_file& file, double value) {
    char text[32];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    file.put(std::string_view(text, static_cast<std::size_t>(end.ptr - text)));
}

void put_whole(text_file& file, std::int64_t value) {
    char text[24];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    file.put(std::string_view(text, static_cast<std::size_t>(end.ptr - text)));
}

}  // namespace

history::history(std::string name, bool in_steps, std::vector<std::int32_t> chambers)
    : file_(std::move(name)), in_steps_(in_steps), chambers_(chambers.size()) {
    file_.put("iteration,energy,max_residual,step,evaluations");
    if (in_steps_) file_.put(",load_step,load_factor");
    for (const std::int32_t k : chambers) {
        const std::string name = ",chamber_" + std::to_string(k);
        file_.put(name + "_volume");
        file_.put(name + "_pressure");
    }
    file_.end_line();
}

void history::add(const nlp::iteration_state& state, double max_residual, std::int64_t evaluations,
                  const std::vector<chamber_reading>& chambers) {
    if (chambers.size() != chambers_)
        throw std::logic_error("history: a row's chambers do not match its header");
    put_whole(file_, state.iteration);
    file_.put(",");
    put_shortest(file_, state.energy);
    file_.put(",");
    put_shortest(file_, max_residual);
    file_.put(",");
    put_shortest(file_, state.step);
    file_.put(",");
    put_whole(file_, evaluations);
    if (in_steps_) {
        file_.put(",");
        put_whole(file_, load_step_);
        file_.put(",");
        put_shortest(file_, load_factor_);
    }
    for (const chamber_reading& c : chambers) {
        file_.put(",");
        put_shortest(file_, c.volume);
        file_.put(",");
        put_shortest(file_, c.pressure);
    }
    file_.end_line();
}

}  // namespace sheet
