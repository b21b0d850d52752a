// dorvan's stages, as the run frame both programs share calls them: reading its material law,
// its starting state with one thickness unknown per element, its deck's material table, its
// objective, its element rows and its law as the .vtu names it.
#pragma once

#include <cstdint>
#include <span>

#include "arrays/terms.hpp"
#include "dorvan/element_hessian.hpp"
#include "dorvan/model.hpp"
#include "dorvan/objective.hpp"
#include "sheet/assembly/assembly_plan.hpp"
#include "sheet/input/scanner.hpp"
#include "sheet/mechanics/tension_shift.hpp"
#include "sheet/output/vtu.hpp"
#include "sheet/run/command_line.hpp"

namespace dorvan {

// Reads input.txt into the model.
void input(model& m);
// Reads the text that in holds into the model.
void input(model& m, sheet::scanner& in);
// Element geometry, numbering of the unknowns, x with every thickness variable at 1.0, the
// gradient and the stopping tolerance; returns the plan the objective works by.
sheet::assembly_plan start(model& m);
// Writes ansys.txt with the compressible material table.
void ansys(const model& m);
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
        "dorvan",
        "Large-deformation static equilibrium of a thin compressible hyperelastic sheet (3-node\n"
        "membrane triangles in 3-D space; neo-Hookean or Mooney-Rivlin with a bulk modulus and "
        "one\n"
        "thickness unknown per element), found by minimising its total potential energy with\n"
        "limited-memory BFGS or Newton's method."};

    static void input(model& m) { dorvan::input(m); }
    static sheet::assembly_plan start(model& m) { return dorvan::start(m); }
    static void ansys(const model& m) { dorvan::ansys(m); }
    static double objective(const model& m, sheet::assembly_plan& plan, std::int32_t n,
                            const terms::real_vector& x, terms::real_vector& g,
                            nlp::slope_request along) {
        return dorvan::objective(m, plan, n, x, g, along);
    }
    static void find_final_state(model& m) { dorvan::find_final_state(m); }
    static void output(const model& m) { dorvan::output(m); }

    // Newton's method: the element Hessians over each element's unknowns (its corners' nine
    // components and its thickness variable), the true energy gradient they belong to, and the
    // tension of the shift that stands in for a flat sheet's missing stiffness.
    static constexpr int element_unknowns = dorvan::element_unknowns;
    static void element_hessian(const model& m, const sheet::element_columns& table, std::size_t at,
                                std::span<const double> xs, double* packed) {
        dorvan::element_hessian(m, table, at, xs, packed);
    }
    static void energy_gradient(const model& m, std::span<const double> xs,
                                std::span<const double> g, std::span<double> out) {
        dorvan::energy_gradient(m, xs, g, out);
    }
    // The small-strain shear modulus times the thickness: mu t0, or 2 (c10 + c01) t0.
    static double shift_tension(const model& m) {
        return sheet::shift_tension(m.law, m.problem.thickness);
    }
    static sheet::law_fields law_fields(const model& m) { return dorvan::law_fields(m); }
};

}  // namespace dorvan
