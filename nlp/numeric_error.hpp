// Raised when a minimiser meets a quantity it cannot go on with (a square root of a negative
// number, a matrix too large to address with 32-bit positions). Unlike halt, these are not part
// of the normal failure of a search; they end the run the same way.
#pragma once

#include <stdexcept>
#include <string>

namespace nlp {

class numeric_error : public std::runtime_error {
public:
    explicit numeric_error(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace nlp
