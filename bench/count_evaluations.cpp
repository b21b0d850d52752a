// Counts the objective evaluations of a whole run: reads input.txt in the working directory,
// starts and minimises as the program does (writing no file), and prints
// "<evaluations> <elements> <iterations> <free components>". The per-element
// figures of bench/peer_compare.sh divide a real run's wall time by this count.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "dorvan/model.hpp"
#include "dorvan/objective.hpp"
#include "melvar/model.hpp"
#include "melvar/objective.hpp"
#include "nlp/minimiser.hpp"

namespace {

template <class Model, class Objective>
int minimise(Model& m, std::int32_t n, Objective&& objective) {
    long evaluations = m.reference_force > 0.0 ? 0 : 1;  // start's relative tolerance
    auto counted = [&](std::int32_t size, const terms::fmat1& x, terms::fmat1& g) {
        ++evaluations;
        return objective(size, x, g);
    };
    nlp::minimiser<decltype(counted)> minimiser(counted);
    const nlp::lbfgs_settings settings = {
        .memory_size = m.memory_size,
        .max_iterations = m.max_iterations,
        .tolerance = m.tolerance,
        .search = {.search_limit = m.search_limit, .search_factor = m.search_factor}};
    const nlp::minimiser_result result = minimiser.lbfgs(settings, n, m.x, m.gradient);
    std::printf("%ld %zu %d %d\n", evaluations, m.elements.size(), result.minor, m.free_count);
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
        return minimise(m, m.unknown_count,
                        [&m](std::int32_t n, const terms::fmat1& x, terms::fmat1& g) {
                            return dorvan::objective(m, n, x, g);
                        });
    }
    melvar::model m;
    melvar::input(m);
    melvar::start(m);
    return minimise(m, m.free_count, [&m](std::int32_t n, const terms::fmat1& x, terms::fmat1& g) {
        return melvar::objective(m, n, x, g);
    });
}
