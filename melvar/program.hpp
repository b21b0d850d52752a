// melvar's stages, as the run frame both programs share calls them: reading its material law,
// its starting state, its deck's material table, its objective, its element rows and its law as
// the .vtu names it.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "arrays/terms.hpp"
#include "melvar/element_hessian.hpp"
#include "melvar/model.hpp"
#include "melvar/objective.hpp"
#include "sheet/assembly/assembly_plan.hpp"
#include "sheet/input/scanner.hpp"
#include "sheet/mechanics/tension_shift.hpp"
#include "sheet/output/vtu.hpp"
#include "sheet/run/command_line.hpp"

namespace melvar {

// Reads input.txt into the model.
void input(model& m);
// Reads the text that in holds into the model.
void input(model& m, sheet::scanner& in);
// Element geometry, numbering of the unknowns (the free components only), x, the gradient and
// the stopping tolerance; returns the plan the objective works by.
sheet::assembly_plan start(model& m);
// Writes ansys.txt with the incompressible material table.
void ansys(const model& m);
// Arruda-Boyce series coefficients c1..c5 for the locking stretch lock.
std::array<double, 5> boyce_coefficients(double lock);
// Every element's row at x (its current thickness, principal stresses and deformation) and the
// out-of-balance forces, into m.results.
void find_final_state(model& m);
// Writes output.txt from the final state.
void output(const model& m);
// The law's number and its constants under their problem-file names, for the .vtu.
sheet::law_fields law_fields(const model& m);

struct program {
    using model_type = model;
    static constexpr sheet::program_text text{
        "melvar",
        "Large-deformation static equilibrium of a thin incompressible hyperelastic sheet (3-node\n"
        "membrane triangles in 3-D space; neo-Hookean, Mooney-Rivlin or Arruda-Boyce, the "
        "thickness\n"
        "following from the change of area), found by minimising its total potential energy with\n"
        "limited-memory BFGS or Newton's method."};

    static void input(model& m) { melvar::input(m); }
    static sheet::assembly_plan start(model& m) { return melvar::start(m); }
    static void ansys(const model& m) { melvar::ansys(m); }
    static double objective(const model& m, sheet::assembly_plan& plan, std::int32_t n,
                            const terms::real_vector& x, terms::real_vector& g,
                            nlp::slope_request along) {
        return melvar::objective(m, plan, n, x, g, along);
    }
    static void find_final_state(model& m) { melvar::find_final_state(m); }
    static void output(const model& m) { melvar::output(m); }

    // Newton's method: the element Hessians over each element's nine corner components, the
    // energy gradient they belong to (the objective's own), and the tension of the shift that
    // stands in for a flat sheet's missing stiffness.
    static constexpr int element_unknowns = melvar::element_unknowns;
    static void element_hessian(const model& m, const sheet::element_columns& table, std::size_t at,
                                std::span<const double> xs, double* packed) {
        melvar::element_hessian(m, table, at, xs, packed);
    }
    static void energy_gradient(const model&, std::span<const double>, std::span<const double> g,
                                std::span<double> out) {
        for (std::size_t k = 0; k < g.size(); ++k) out[k] = g[k];
    }
    // The small-strain shear modulus times the thickness: mu t0, or 2 (c10 + c01) t0.
    static double shift_tension(const model& m) {
        return sheet::shift_tension(m.law, m.problem.thickness);
    }
    static sheet::law_fields law_fields(const model& m) { return melvar::law_fields(m); }
};

}  // namespace melvar
