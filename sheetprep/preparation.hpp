// Matching the problem file to the mesh: its groups by name and dimension, the supports merged
// and the loads lumped, ready for the writer.
#pragma once

#include "sheetprep/mesh.hpp"
#include "sheetprep/problem.hpp"
#include "sheetprep/sheet_input.hpp"

namespace sheetprep {

// Fails on a group name the mesh lacks (listing those it has), a group of the wrong dimension
// for its load, a group with nodes no triangle uses, a pressure group not consistently
// oriented, conflicting supports, a sheet that no support holds, and a follower pressure whose
// region is open where the supports do not hold it (check_follower_region), and a chamber on
// anything but surface groups or one that prepare_chambers refuses.
sheet_input prepare(const problem& p, const mesh& m);

}  // namespace sheetprep
