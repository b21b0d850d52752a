// The path of a run in load steps as a ParaView series: FILE-0001.vtu, FILE-0002.vtu ... one per
// step that ended, and FILE.pvd, the collection of them whose time value is the load factor, so
// that ParaView plays the steps as an animation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sheet/model/model.hpp"
#include "sheet/output/vtu.hpp"

namespace sheet {

// The file of step k for --vtu FILE: FILE's name less a final ".vtu", then "-" and k in at least
// four digits, then ".vtu".
std::string step_file_name(const std::string& vtu, std::int32_t k);
// The collection for --vtu FILE: FILE's name less a final ".vtu", then ".pvd".
std::string collection_name(const std::string& vtu);

// Writes the file of the step m's final state was found at (its .vtu under header, with the
// further field data extra), then the collection of steps 1 to that one, each file whole.
void write_series_step(const std::string& vtu, const model& m, const vtu_header& header,
                       const std::vector<field_value>& extra);

}  // namespace sheet
