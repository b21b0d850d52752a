// The failures a run can meet outside the array checks and the minimiser: bad input, an
// inconsistent model, a file that cannot be written. main reports each on one line.
#pragma once

#include <stdexcept>

namespace sheet {

class failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace sheet
