// dorvan's stages, as the run frame both programs share calls them: reading its material law,
// its starting state with one thickness unknown per element, its deck's material table, its
// objective, its element rows and its law as the .vtu names it.
#pragma once

#include <cstdint>

#include "arrays/terms.hpp"
#include "dorvan/model.hpp"
#include "dorvan/objective.hpp"
#include "sheet/assembly/assembly_plan.hpp"
#include "sheet/input/scanner.hpp"
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
        "limited-memory BFGS."};

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
    static sheet::law_fields law_fields(const model& m) { return dorvan::law_fields(m); }
};

}  // namespace dorvan
