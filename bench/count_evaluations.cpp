// Counts the objective evaluations of a whole run: reads input.txt in the working directory,
// starts and minimises as the program does (writing no file), and prints
// "<evaluations> <elements> <iterations> <free components>". The per-element
// figures of bench/peer_compare.sh divide a real run's wall time by this count.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "dorvan/program.hpp"
#include "dorvan/objective.hpp"
#include "melvar/program.hpp"
#include "melvar/objective.hpp"
#include "nlp/qn.hpp"

namespace {

template <class Model, class Objective>
int minimise(Model& m, std::int32_t n, Objective&& objective) {
    long evaluations = m.problem.settings.reference_force > 0.0 ? 0 : 1;  // start's relative tolerance
    auto counted = [&](std::int32_t size, const terms::real_vector& x, terms::real_vector& g) {
        ++evaluations;
        return objective(size, x, g);
    };
    nlp::qn<decltype(counted)> qn(counted);
    const nlp::qn_result result = qn.lbfgs(m.problem.settings.memory_size, n, m.problem.settings.max_iterations, m.problem.settings.search_limit,
                                           m.results.tolerance, m.problem.settings.search_factor, m.unknowns.x, m.unknowns.gradient);
    std::printf("%ld %zu %d %d\n", evaluations, m.problem.mesh.elements.size(), result.minor, m.numbering.free_count);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || (std::strcmp(argv[1], "dorvan") != 0 && std::strcmp(argv[1], "melvar") != 0)) {
        std::fprintf(stderr, "usage: count_evaluations dorvan|melvar\n");
        return 2;
    }
    if (std::strcmp(argv[1], "dorvan") == 0) {
        dorvan::model m;
        dorvan::input(m);
        dorvan::start(m);
        return minimise(m, m.numbering.unknown_count,
                        [&m](std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
                            return dorvan::objective(m, n, x, g);
                        });
    }
    melvar::model m;
    melvar::input(m);
    melvar::start(m);
    return minimise(m, m.numbering.free_count, [&m](std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
        return melvar::objective(m, n, x, g);
    });
}
