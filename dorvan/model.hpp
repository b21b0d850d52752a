// The problem model of a dorvan run: the shared parts, plus the compressible material law. The
// unknowns are the free displacement components, then one thickness variable per element:
// x(free_count + e) belongs to element e.
#pragma once

#include "dorvan/law.hpp"
#include "sheet/model/model.hpp"

namespace dorvan {

struct model : sheet::model {
    dorvan::law law;  // as read, with its constants
};

}  // namespace dorvan
