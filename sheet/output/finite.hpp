// Results that are numbers: a value about to be written as a result that is NaN or infinite ends
// the run instead, with one line that says which value and where, and the file it belonged to is
// not written (an older one of that name stays).
#pragma once

#include <string>

#include "sheet/failure.hpp"
#include "sheet/model/model.hpp"

namespace sheet {

// The failure for what ("sigma1 of element 12") holding value, which is not finite: "the solution
// is not finite: sigma1 of element 12 is NaN; " and where to look in input.txt.
failure not_finite(const std::string& what, double value);

// The minimiser's outcome, before the console reports it: the displacement of every component,
// by node (X, Y, Z), then the thickness variable of every element when there are any (dorvan's),
// then the total potential energy. Fails with not_finite on the first that is not finite.
void require_finite_solution(const model& m);

// What output.txt states beside the solution: the stopping tolerance, the current thickness
// (when the report shows it) and the principal stresses of every element, and the support
// reaction of every prescribed component. Fails with not_finite on the first that is not finite.
void require_finite_report(const model& m, bool thickness_column);

}  // namespace sheet
