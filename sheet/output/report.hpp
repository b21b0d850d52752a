// output.txt: header box, node table, element table with the principal stresses, and the
// support reactions.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "sheet/model/model.hpp"

namespace sheet {

// The two in-plane principal stresses, Sigma1 >= Sigma2.
struct principal_stresses {
    double sigma1;
    double sigma2;
};

// Roots of s^2 - 2 t s + p = 0 without cancellation, given t (half their sum), the expression
// under the root of d (half their difference) and p (their product). Rounding may make that
// expression slightly negative when the roots nearly coincide: it is then taken as 0.0. When
// the root of larger magnitude is exactly 0.0 the other is 0.0 too.
principal_stresses principal(double t, double radicand, double p);

// What the element table shows of element e: its current thickness (dorvan only) and stresses.
struct element_row {
    double thickness;
    principal_stresses stress;
};

// The program's element routine at the final point: fills the element's nodal forces and
// returns its row. It may run on another thread than the writer's, so it must only read.
using element_rows = std::function<element_row(std::int32_t e, element_forces& forces)>;

// Writes output.txt from the solved model. thickness_column selects the 59-column element table
// of the compressible program; without it the table is 41 columns wide. loads is turned into
// the out-of-balance forces on the way. When kept is given, it receives every element's row in
// element order, for writers that show the same results in another form.
void output(mesh& m, bool thickness_column, const element_rows& rows,
            std::vector<element_row>* kept = nullptr);

}  // namespace sheet
