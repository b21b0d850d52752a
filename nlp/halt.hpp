// The failure of the minimiser: raised by the line search when it is given a direction along
// which the objective does not descend. Nothing in the package handles it or prints it: the
// caller that catches it writes the failure line ("Line Search Failure" in the programs).
#pragma once

#include <stdexcept>
#include <string>

namespace nlp {

class halt : public std::runtime_error {
public:
    // where: the routine that raises it and why, e.g. "linesearch: ...".
    explicit halt(const std::string& where) : std::runtime_error("NLP.HALT: " + where) {}
};

}  // namespace nlp
