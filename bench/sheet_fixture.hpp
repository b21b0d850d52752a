// The benchmarks' sheets: the generated input texts, and models read and started from them with
// the unknowns moved to a small random deformed state.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "arrays/terms.hpp"
#include "dorvan/program.hpp"
#include "melvar/program.hpp"

namespace bench {

// The whole text of the generated square sheet for "dorvan" or "melvar".
const std::string& sheet_text(const std::string& program);

// A started model of a program of kinematics K and what its start made: the plan and terms its
// objective works by.
template <class K>
struct started_sheet {
    sheet::model_of<K> model;
    std::optional<sheet::started<K>> run;
};

// The sheet of that program read, given the material law (its constants set for benchmarking),
// started, and deformed: every free displacement moved by up to 5 % of the grid spacing and
// every thickness variable (dorvan) by up to 1 %, from a fixed seed. Each law's model is made
// once per process and shared.
started_sheet<dorvan::kinematics>& dorvan_sheet(std::int32_t material);
started_sheet<melvar::kinematics>& melvar_sheet(std::int32_t material);

// Makes an empty directory under the system's temporary directory the working directory; it is
// removed with what it holds when the process ends. Returns its path.
const std::filesystem::path& enter_scratch_dir();

}  // namespace bench
