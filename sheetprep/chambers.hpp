// Chambers: the triangles of each [[chamber]] checked to enclose a volume, and its control
// turned into the terms of input.txt's chambers section.
#pragma once

#include <cstdint>
#include <vector>

#include "sheetprep/problem.hpp"
#include "sheetprep/sheet_input.hpp"

namespace sheetprep {

// The chambers of the problem, given the triangles (from 0) of each one's groups and the rest of
// what input.txt will hold (the mesh, the supports, the follower pressures). A volume_ratio r
// becomes the change (r - 1) V0, V0 the chamber's initial enclosed volume. Fails, naming the
// [[chamber]], on a triangle in two chambers or under a follower pressure too; a chamber whose
// open edges the supports and the symmetry planes do not close (check_follower_region's rule); a
// ratio where V0 is 0 or below; a change that takes the volume to 0 or below; a gas whose
// reference volume (V0 unless given) or V0, each with the extra volume, is 0 or below.
std::vector<chamber_input> prepare_chambers(const std::vector<chamber>& chambers,
                                            const std::vector<std::vector<std::int32_t>>& triangles,
                                            const sheet_input& in);

}  // namespace sheetprep
