// The convergence history of a run as CSV, one row per iteration of the minimiser, for plotting.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "nlp/observer.hpp"
#include "sheet/model/model.hpp"
#include "sheet/output/text_file.hpp"

namespace sheet {

class history {
public:
    // Creates the file's temporary at once, so that a name that cannot be written fails the
    // run before the minimisation rather than after it ("cannot create NAME: reason"). Writes
    // the header "iteration,energy,max_residual,step,evaluations", ",load_step,load_factor"
    // after it for a run in load steps, and ",chamber_K_volume,chamber_K_pressure" for each
    // chamber K of chambers.
    explicit history(std::string name, bool in_steps = false,
                     std::vector<std::int32_t> chambers = {});

    // The load step of the rows that follow, for a run in load steps.
    void set_load_step(std::int32_t k, double factor) {
        load_step_ = k;
        load_factor_ = factor;
    }

    // One row: the iteration, its energy, max_residual, its step length and evaluations (the
    // objective evaluations made so far), in load steps the step and its factor, and the
    // chambers' volumes and pressures at the iterate (one reading for each chamber of the
    // header); every real in the shortest text that reads back to the same double.
    void add(const nlp::iteration_state& state, double max_residual, std::int64_t evaluations,
             const std::vector<chamber_reading>& chambers = {});

    // Puts the file in place (lines end with CR LF, as in the other files the programs write).
    void commit() { file_.commit(); }

private:
    text_file file_;
    bool in_steps_ = false;
    std::size_t chambers_ = 0;
    std::int32_t load_step_ = 1;
    double load_factor_ = 1.0;
};

}  // namespace sheet
