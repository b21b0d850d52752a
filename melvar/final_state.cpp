// The final state and the report: each element's row holds its current thickness t0 lambda3, the
// in-plane principal Cauchy stresses of an incompressible element, whose pressure makes the
// through-thickness stress zero, and its deformation; and the law as the .vtu names it.
#include "sheet/assembly/final_state.hpp"
#include "melvar/element.hpp"
#include "melvar/program.hpp"
#include "sheet/mechanics/deformation.hpp"
#include "sheet/mechanics/principal.hpp"
#include "sheet/output/report.hpp"

namespace melvar {

namespace {

// With l = stretch3, a = i1, b = trace_c2, u = w1, v = w2: q is the pressure, t half the sum of
// the two principal stresses, the radicand (half their difference)^2 and p their product.
sheet::principal_stresses principal_stresses(const element_result& r) {
    const double l = r.stretch3, a = r.i1, b = r.trace_c2, u = r.w1, v = r.w2;
    const double q = (2.0 * v * (l * l) + u) * (2.0 * (l * l));
    const double s = 2.0 * v * b + u * a;
    const double t = s - 1.5 * q;
    const double b2a = 2.0 * b - a * a;
    const double radicand =
        (b2a * a + 8.0) * (4.0 * (v * v)) * a +
        ((b2a * a + 6.0) * (4.0 * u * v) + ((u * u) * b2a + (s - 0.75 * q) * q));
    const double a2b = a * a - b;
    const double p =
        (a2b * a2b - 8.0 * a) * (4.0 * (v * v)) +
        ((a2b * a - 6.0) * (4.0 * u * v) + ((3.0 * q - 4.0 * s) * q + 2.0 * (u * u) * a2b));
    return sheet::principal(t, radicand, p);
}

sheet::element_row row_at(const model& m, std::int32_t e, sheet::element_forces& forces) {
    sheet::current_shape<double> shape;
    const element_result r = element_at(m, e, m.unknowns.x, forces, &shape);
    return sheet::element_row{m.problem.thickness * r.stretch3, principal_stresses(r), r.stretch3,
                              sheet::principal_deformation(m.geometry(e), shape, r.w1, r.w2)};
}

}  // namespace

sheet::law_fields law_fields(const model& m) {
    sheet::law_fields out{law_number(m.law), {}};
    if (const auto* l = std::get_if<neo_hookean>(&m.law))
        out.constants = {{"shear", l->shear}};
    else if (const auto* l = std::get_if<mooney_rivlin>(&m.law))
        out.constants = {{"c10", l->c10}, {"c01", l->c01}};
    else if (const auto* l = std::get_if<arruda_boyce>(&m.law))
        out.constants = {{"shear", l->shear}, {"locking_stretch", l->lock}};
    return out;
}

void find_final_state(model& m) {
    sheet::find_final_state(
        m, [&m](std::int32_t e, sheet::element_forces& forces) { return row_at(m, e, forces); });
}

void output(const model& m) {
    sheet::output(m, false);
}

}  // namespace melvar
