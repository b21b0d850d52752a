// The convergence history of a run as CSV, one row per iteration of the minimiser, for plotting.
#pragma once

#include <cstdint>
#include <string>

#include "nlp/observer.hpp"
#include "sheet/output/text_file.hpp"

namespace sheet {

class history {
public:
    // Creates the file's temporary at once, so that a name that cannot be written fails the
    // run before the minimisation rather than after it ("cannot create NAME: reason"). Writes
    // the header "iteration,energy,max_residual,step,evaluations".
    explicit history(std::string name);

    // One row: the iteration, its energy, max_residual, its step length and evaluations (the
    // objective evaluations made so far), every real in the shortest text that reads back to
    // the same double.
    void add(const nlp::iteration_state& state, double max_residual, std::int64_t evaluations);

    // Puts the file in place (lines end with CR LF, as in the other files the programs write).
    void commit() { file_.commit(); }

private:
    text_file file_;
};

}  // namespace sheet
