// The .vtu stage of the run frame: the header each program's stages fill in, and the .vtu of a
// run its line search halted, written from the last iterate so that it shows where the run
// stopped.
#pragma once

#include "sheet/output/vtu.hpp"
#include "sheet/run/command_line.hpp"

namespace sheet {

template <class Program>
vtu_header vtu_header_of(const typename Program::model_type& m, run_status status) {
    return {Program::text.name, version(), status, Program::law_fields(m)};
}

// After a halted line search x holds the last iterate, and the results its count and energy:
// its final state goes to the .vtu with status 2 and optimal 0. A .vtu that cannot be written
// then is passed over, since the halt is the failure the run reports.
template <class Program>
void write_vtu_after_halt(typename Program::model_type& m, const options& o) noexcept {
    if (o.vtu.empty()) return;
    try {
        m.results.optimal = false;
        Program::find_final_state(m);
        vtu(o.vtu, m, vtu_header_of<Program>(m, run_status::line_search_failure));
    } catch (...) {
    }
}

}  // namespace sheet
