// The factors of the load steps, and the words of a run that could not reach the full loads.
#include "sheet/run/load_path.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "sheet/model/loading.hpp"

namespace sheet {

namespace {

// value in the shortest text that reads back to it, as the console's step lines give it.
std::string shortest(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return {text, end};
}

std::string significant(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

// "load factor F" and, when there are pressures, " (pressure P)".
std::string load_in_words(double factor, const std::string& pressures) {
    return "load factor " + shortest(factor) + (pressures.empty() ? "" : " (" + pressures + ")");
}

}  // namespace

load_path::load_path(std::int32_t steps)
    : count_(steps), total_(steps * finest), increment_(finest) {}

std::int32_t load_path::target() const {
    return std::min(held_ + increment_, total_);
}

double load_path::factor() const {
    return load_factor(target(), total_);
}

double load_path::held_factor() const {
    return load_factor(held_, total_);
}

double load_path::increment() const {
    return load_factor(increment_, total_);
}

load_state load_path::state(const problem& p) const {
    // target / total is k / N itself on the plan: both divisions round the same quotient.
    load_state out = load_state_at(p, target(), total_);
    out.number = step();
    out.count = count_;
    return out;
}

void load_path::accept(bool easy) {
    held_ = target();
    ++accepted_;
    if (easy) increment_ = std::min(2 * increment_, finest);
}

bool load_path::cut_back() {
    if (increment_ == 1) return false;
    increment_ /= 2;
    on_plan_ = false;
    return true;
}

bool easy_step(method by, std::int32_t minor, std::int32_t max_iterations) {
    if (by == method::newton) return minor <= 6;
    return minor <= max_iterations / 4;
}

std::string pressures_in_words(const problem& p, const load_state& load) {
    std::vector<double> values;
    for (const pressure& q : load.pressures(p)) values.push_back(q.value);
    for (const chamber& c : p.chambers)
        if (c.control == chamber_control::pressure) values.push_back(load.factor * c.value);
    if (values.empty()) return "";
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    if (values.size() > 3) {
        double largest = 0.0;
        for (const double v : values) largest = std::max(largest, std::fabs(v));
        return "largest |pressure| " + significant(largest);
    }
    std::string out = values.size() == 1 ? "pressure " : "pressures ";
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (k > 0) out += k + 1 == values.size() ? " and " : ", ";
        out += significant(values[k]);
    }
    return out;
}

std::string limit_message(const load_path_end& end, const std::string& held_pressures) {
    const std::string carry = held_pressures.empty() ? "the largest load" : "the largest pressure";
    const std::string stopped = end.iteration_limit ? "did not converge within the iteration limit"
                                                    : "stalled before it met the stopping test";
    const std::string tried = "the step to load factor " + shortest(end.tried_factor) +
                              " (an increment of 1/" + std::to_string(load_path::finest) +
                              " of the first) " + stopped;
    if (!end.held_any)
        return "no load step held: " + tried +
               "; check that the supports hold the sheet, or try another --tolerance-factor or "
               "a larger iteration limit in input.txt";
    return "the loads could not be raised beyond " +
           load_in_words(end.held_factor, held_pressures) + ": " + tried +
           "; the sheet may have reached a limit point (" + carry + " it can carry)" +
           (held_pressures.empty()
                ? std::string()
                : "; to follow it past the maximum pressure, prescribe the enclosed volume "
                  "instead (a chamber under volume control)") +
           "; try more --steps, another --tolerance-factor or a larger iteration "
           "limit in input.txt; output.txt holds the last equilibrium reached, at load factor " +
           shortest(end.held_factor);
}

std::string last_equilibrium_note(const load_path_end& end, const std::string& held_pressures) {
    return "Last equilibrium reached, at " + load_in_words(end.held_factor, held_pressures) +
           ": the loads could not be raised any further.";
}

}  // namespace sheet
