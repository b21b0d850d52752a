// dorvan as a membrane program: the stages the run frame and the tests call.
#pragma once

#include "dorvan/kinematics.hpp"
#include "sheet/membrane/program.hpp"

namespace dorvan {

using program = sheet::membrane<kinematics>;

}  // namespace dorvan
