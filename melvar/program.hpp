// melvar as a membrane program: the stages the run frame and the tests call.
#pragma once

#include "melvar/kinematics.hpp"
#include "sheet/membrane/program.hpp"

namespace melvar {

using program = sheet::membrane<kinematics>;

}  // namespace melvar
