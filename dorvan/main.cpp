// dorvan: equilibrium of a compressible hyperelastic membrane by minimising its total potential
// energy. Reads input.txt; writes ansys.txt, autocad.scr and output.txt.
#include "dorvan/model.hpp"
#include "dorvan/objective.hpp"
#include "nlp/qn.hpp"
#include "sheet/autocad.hpp"
#include "sheet/run.hpp"

int main() {
    return sheet::run_program("dorvan", [] {
        dorvan::model m;
        dorvan::input(m);
        dorvan::start(m);
        dorvan::ansys(m);
        auto objective = [&m](std::int32_t n, const terms::fmat1& x, terms::fmat1& g) {
            return dorvan::objective(m, n, x, g);
        };
        nlp::qn<decltype(objective)> qn(objective);
        const nlp::qn_result result =
            qn.lbfgs(m.memory_size, m.unknown_count, m.max_iterations, m.search_limit, m.tolerance,
                     m.search_factor, m.x, m.gradient);
        m.minor = result.minor;
        m.energy = result.energy;
        sheet::print_summary(result.minor, result.optimal);
        sheet::autocad(m);
        dorvan::output(m);
    });
}
