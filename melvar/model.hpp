// The problem model of a melvar run: the shared parts, plus the incompressible material law.
// The unknowns are the free displacement components only.
#pragma once

#include "melvar/law.hpp"
#include "sheet/model/model.hpp"

namespace melvar {

struct model : sheet::model {
    melvar::law law;  // as read, with its constants
};

}  // namespace melvar
