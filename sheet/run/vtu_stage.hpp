// The .vtu stage of the run frame: the header each program fills in, the field data a run in
// load steps adds, and the .vtu of a run that failed, written from the last iterate so that it
// shows where the run stopped.
#pragma once

#include <vector>

#include "sheet/membrane/kinematics.hpp"
#include "sheet/output/vtu.hpp"
#include "sheet/run/command_line.hpp"

namespace sheet {

template <class K>
vtu_header vtu_header_of(const model_of<K>& m, run_status status) {
    return {K::text.name, version(), status, fields_of(m.law)};
}

// The .vtu's further field data: in a run in load steps, the load factor the final state was
// found at and the terms' values there (the step files' and the last .vtu's alike); in a single
// run only the values every file carries (a chamber's volume and pressure).
inline std::vector<field_value> step_fields(const model& m, const options& o) {
    std::vector<field_value> out;
    if (o.steps > 1) out.push_back({"load_factor", m.results.load.factor});
    for (const field_value& f : m.results.fields)
        if (o.steps > 1 || f.in_every_file) out.push_back(f);
    return out;
}

// After a halted line search x holds the last iterate, and the results its count and energy:
// its final state (found by final_state()) goes to the .vtu with status 2 (or the status given:
// 1 for a run in steps whose last try stopped at the iteration limit) and optimal 0. A .vtu that
// cannot be written then is passed over, since the failure is what the run reports.
template <class K, class FinalState>
void write_vtu_after_halt(model_of<K>& m, const options& o, FinalState&& final_state,
                          run_status status = run_status::line_search_failure) noexcept {
    if (o.vtu.empty()) return;
    try {
        m.results.optimal = false;
        final_state();
        vtu(o.vtu, m, vtu_header_of<K>(m, status), step_fields(m, o));
    } catch (...) {
    }
}

}  // namespace sheet
