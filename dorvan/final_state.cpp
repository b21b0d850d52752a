// The final state and the report: each element's row holds its current thickness t0 s^2, the
// in-plane principal Cauchy stresses from the invariants and material derivatives, and its
// deformation; and the law as the .vtu names it.
#include <cmath>

#include "dorvan/element.hpp"
#include "dorvan/program.hpp"
#include "sheet/assembly/final_state.hpp"
#include "sheet/mechanics/deformation.hpp"
#include "sheet/mechanics/principal.hpp"
#include "sheet/output/report.hpp"

namespace dorvan {

namespace {

// With a = i1, b = trace_c2, c = i3, u = w1, v = w2, w = w3: t is half the sum of the two
// principal stresses, the radicand is (half their difference)^2 and p is their product.
sheet::principal_stresses principal_stresses(const element_result& r) {
    const double a = r.i1, b = r.trace_c2, c = r.i3, u = r.w1, v = r.w2, w = r.w3;
    const double t = (3.0 * w * c + (u * a + 2.0 * v * b)) / std::sqrt(c);
    const double b2a = 2.0 * b - a * a;
    const double radicand = (6.0 * c + b2a * a) * (4.0 * u * v / c) + (u * u / c) * b2a -
                            2.0 * u * w * a + (b2a * a + 8.0 * c) * (4.0 * (v * v) / c) * a -
                            4.0 * v * w * b - 3.0 * (w * w) * c;
    const double a2b = a * a - b;
    const double p =
        (a2b * a2b - 8.0 * a * c) * (4.0 * (v * v) / c) +
        ((a * a2b - 6.0 * c) * (4.0 * u * v / c) + (2.0 * (u * u) / c) * a2b + 8.0 * u * w * a) +
        16.0 * v * w * b + 12.0 * (w * w) * c;
    return sheet::principal(t, radicand, p);
}

sheet::element_row row_at(const model& m, std::int32_t e, sheet::element_forces& forces) {
    sheet::current_shape<double> shape;
    const element_result r = element_at(m, e, m.unknowns.x, forces, &shape);
    const double s = m.unknowns.x(m.numbering.free_count + e);
    const double stretch3 = s * s;
    return sheet::element_row{m.problem.thickness * stretch3, principal_stresses(r), stretch3,
                              sheet::principal_deformation(m.geometry(e), shape, r.w1, r.w2)};
}

}  // namespace

sheet::law_fields law_fields(const model& m) {
    sheet::law_fields out{law_number(m.law), {}};
    if (const auto* l = std::get_if<neo_hookean>(&m.law))
        out.constants = {{"shear", l->shear}, {"bulk", l->bulk}};
    else if (const auto* l = std::get_if<mooney_rivlin>(&m.law))
        out.constants = {{"c10", l->c10}, {"c01", l->c01}, {"bulk", l->bulk}};
    return out;
}

void find_final_state(model& m) {
    sheet::find_final_state(
        m, [&m](std::int32_t e, sheet::element_forces& forces) { return row_at(m, e, forces); });
}

void output(const model& m) {
    sheet::output(m, true);
}

}  // namespace dorvan
