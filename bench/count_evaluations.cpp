// Counts the objective evaluations of a whole run: reads input.txt in the working directory,
// starts and minimises as the program does (writing no file), and prints
// "<evaluations> <elements> <iterations> <free components>". The per-element
// figures of bench/peer_compare.sh divide a real run's wall time by this count.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "dorvan/program.hpp"
#include "melvar/program.hpp"
#include "nlp/minimiser.hpp"
#include "sheet/run/minimise.hpp"

namespace {

template <class Program>
int count() {
    typename Program::model_type m;
    Program::input(m);
    auto started = Program::start(m);
    // start's relative tolerance costs one evaluation
    long evaluations = m.problem.settings.reference_force > 0.0 ? 0 : 1;
    auto counted = [&](std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
        ++evaluations;
        return Program::objective(m, started, n, x, g);
    };
    nlp::minimiser<decltype(counted)> minimiser(counted);
    const nlp::minimiser_result result = minimiser.lbfgs(
        sheet::lbfgs_settings_of(m), m.numbering.unknown_count, m.unknowns.x, m.unknowns.gradient);
    std::printf("%ld %zu %d %d\n", evaluations, m.problem.mesh.elements.size(), result.minor,
                m.numbering.free_count);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || (std::strcmp(argv[1], "dorvan") != 0 && std::strcmp(argv[1], "melvar") != 0)) {
        std::fprintf(stderr, "usage: count_evaluations dorvan|melvar\n");
        return 2;
    }
    return std::strcmp(argv[1], "dorvan") == 0 ? count<dorvan::program>()
                                               : count<melvar::program>();
}
