// melvar: equilibrium of an incompressible hyperelastic membrane by minimising its total
// potential energy. Reads input.txt; writes ansys.txt, autocad.scr and output.txt (and a .vtu
// if asked).
#include "melvar/model.hpp"
#include "melvar/objective.hpp"
#include "sheet/autocad.hpp"
#include "sheet/command_line.hpp"
#include "sheet/minimise.hpp"
#include "sheet/run.hpp"
#include "sheet/vtu.hpp"
#include "sheet/worker_pool.hpp"

namespace {

constexpr sheet::program_text program{
    "melvar",
    "Large-deformation static equilibrium of a thin incompressible hyperelastic sheet (3-node\n"
    "membrane triangles in 3-D space; neo-Hookean, Mooney-Rivlin or Arruda-Boyce, the thickness\n"
    "following from the change of area), found by minimising its total potential energy with\n"
    "limited-memory BFGS."};

}  // namespace

int main(int argc, char** argv) {
    sheet::options options;
    if (const auto status = sheet::parse_command_line(program, argc, argv, options)) return *status;
    return sheet::run_program(program.name, [&] {
        sheet::enter_directory(options);
        if (options.threads > 0) sheet::set_worker_count(options.threads);
        melvar::model m;
        melvar::input(m);
        melvar::start(m);
        melvar::ansys(m);
        auto objective = [&m](std::int32_t n, const terms::fmat1& x, terms::fmat1& g,
                              nlp::slope_request along = {}) {
            return melvar::objective(m, n, x, g, along);
        };
        const nlp::minimiser_result result = sheet::minimise(m, m.free_count, objective, options);
        m.minor = result.minor;
        m.energy = result.energy;
        sheet::print_summary(result.minor, result.optimal);
        sheet::autocad(m);
        sheet::output_and_vtu(
            m, options.vtu, result.optimal,
            [&m](std::vector<sheet::element_row>* kept) { melvar::output(m, kept); });
    });
}
