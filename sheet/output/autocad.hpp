// autocad.scr: the initial and the deformed mesh as polyface meshes on two layers.
#pragma once

#include <array>
#include <cstdint>

#include "sheet/model/model.hpp"

namespace sheet {

// Deformed position of node i: its initial coordinates plus its displacement.
std::array<double, 3> vertex(const model& m, std::int32_t i);

// Writes autocad.scr from the solved model.
void autocad(const model& m);

}  // namespace sheet
