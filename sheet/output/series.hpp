// The path of a run in load steps as a ParaView series: FILE-0001.vtu, FILE-0002.vtu ... one per
// step that held, and FILE.pvd, the collection of them whose time value is the load factor, so
// that ParaView plays the steps as an animation.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sheet/model/model.hpp"
#include "sheet/output/vtu.hpp"

namespace sheet {

// The file of step k for --vtu FILE: FILE's name less a final ".vtu", then "-" and k in at least
// four digits, then ".vtu".
std::string step_file_name(const std::string& vtu, std::int32_t k);
// The collection for --vtu FILE: FILE's name less a final ".vtu", then ".pvd".
std::string collection_name(const std::string& vtu);

// The series a run in load steps writes as its steps hold.
class series {
public:
    // For --vtu FILE.
    explicit series(std::string vtu) : vtu_(std::move(vtu)) {}

    // Writes the file of the next step, the one m's final state was found at (its .vtu under
    // header, with the further field data extra), then the collection of every step so far with
    // its load factor, each file whole. Before its first file it removes the series an earlier
    // run left (remove_earlier_series), so that the collection never mixes two runs.
    void add(const model& m, const vtu_header& header, const std::vector<field_value>& extra);

private:
    std::string vtu_;
    std::vector<double> factors_;  // of the steps written, in order
};

// Removes the series an earlier run of --vtu FILE left: in FILE's directory, each regular file
// (not a symbolic link, a directory or anything else) named as step_file_name names a step's
// (FILE's name less ".vtu", "-", four digits or more, ".vtu"), and the collection. Any other
// file stays. Fails with "cannot remove <name>: <reason>".
void remove_earlier_series(const std::string& vtu);

}  // namespace sheet
