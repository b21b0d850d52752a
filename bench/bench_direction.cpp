// The minimiser's own vector work: one L-BFGS direction over a full ring of correction pairs,
// and whole lbfgs iterations on a diagonal quadratic whose evaluation is cheap and timed apart,
// so that what is left is the cost of the line search, the pair updates and the direction.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "arrays/terms.hpp"
#include "nlp/lbfgs.hpp"
#include "nlp/list_rec.hpp"

namespace {

// Unknown counts of the 300 x 300 sheet: dorvan (free components and one thickness per
// element) and melvar (free components only).
constexpr std::int64_t dorvan_unknowns = 3 * 299 * 299 + 2 * 300 * 300;
constexpr std::int64_t melvar_unknowns = 3 * 299 * 299;

// range(0) = unknowns, range(1) = pairs in the ring (memory_size).
void direction(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const auto pairs = static_cast<std::int32_t>(state.range(1));
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::vector<double> g(n), d(n), s(n), y(n);
    const auto fill_pair = [&] {
        for (std::size_t i = 0; i < n; ++i) {
            s[i] = 1e-3 * unit(random);
            y[i] = s[i] * (1.5 + unit(random));  // s.y > 0
        }
    };
    for (double& value : g) value = unit(random);
    fill_pair();
    nlp::ring ring;
    const nlp::list_ends ends = nlp::create(s, y);
    ring.first = ends.first;
    ring.last = ends.last;
    for (std::int32_t k = 2; k <= pairs; ++k) {
        fill_pair();
        ring.last = nlp::insert(ring.first, ring.last, s, y);
    }
    for (auto _ : state) {
        nlp::direction(ring.first, ring.last, g, d);
        benchmark::ClobberMemory();
    }
    state.counters["per_unknown_and_pair"] = benchmark::Counter(
        static_cast<double>(n) * pairs,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// f = sum (c_i x_i^2 / 2 - x_i) with c_i in [1, 10].
struct quadratic {
    std::vector<double> c;
    std::int64_t calls = 0;
    double operator()(std::int32_t n, const terms::fmat1& x, terms::fmat1& g) {
        ++calls;
        const auto xs = x.view(1, n);
        const auto gs = g.view(1, n);
        double f = 0.0;
        for (std::size_t i = 0; i < xs.size(); ++i) {
            f = f + (0.5 * c[i] * xs[i] - 1.0) * xs[i];
            gs[i] = c[i] * xs[i] - 1.0;
        }
        return f;
    }
};

quadratic make_quadratic(std::size_t n) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> spread(1.0, 10.0);
    quadratic q;
    q.c.resize(n);
    for (double& value : q.c) value = spread(random);
    return q;
}

// One evaluation of the quadratic, to subtract from the lbfgs figures.
void quadratic_objective(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    quadratic q = make_quadratic(static_cast<std::size_t>(n));
    terms::fmat1 x(1, n), g(1, n);
    for (auto _ : state) {
        benchmark::DoNotOptimize(q(n, x, g));
        benchmark::ClobberMemory();
    }
    state.counters["per_unknown"] = benchmark::Counter(
        n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// range(0) = unknowns, range(1) = memory_size; 20 iterations from x = 0 with the tolerance 0,
// so every run makes all 20. per_iteration_per_unknown is the whole cost, objective included;
// calls_per_iteration says how many evaluations of the quadratic that holds.
void lbfgs_iterations(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    const auto memory_size = static_cast<std::int32_t>(state.range(1));
    constexpr std::int32_t iterations = 20;
    quadratic q = make_quadratic(static_cast<std::size_t>(n));
    terms::fmat1 x(1, n), g(1, n);
    std::int64_t made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (double& value : x.view(1, n)) value = 0.0;
        state.ResumeTiming();
        const nlp::qn_result result = nlp::lbfgs(q, memory_size, n, iterations, 10, 0.0, 0.9, x, g);
        made += result.minor;
    }
    state.counters["per_iteration_per_unknown"] =
        benchmark::Counter(static_cast<double>(made) * n / static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsIterationInvariantRate |
                               benchmark::Counter::kInvert);
    state.counters["calls_per_iteration"] =
        static_cast<double>(q.calls) / static_cast<double>(made);
}

BENCHMARK(direction)
    ->ArgNames({"unknowns", "pairs"})
    ->Args({dorvan_unknowns, 5})
    ->Args({melvar_unknowns, 5})
    ->Args({dorvan_unknowns, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(quadratic_objective)
    ->ArgName("unknowns")
    ->Arg(dorvan_unknowns)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(lbfgs_iterations)
    ->ArgNames({"unknowns", "memory"})
    ->Args({dorvan_unknowns, 5})
    ->Unit(benchmark::kMillisecond);

}  // namespace
