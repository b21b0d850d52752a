// The minimiser's own vector work: one L-BFGS direction over a full history of
// correction pairs, and whole lbfgs iterations on a diagonal quadratic whose
// evaluation is cheap and timed apart, so that what is left is the cost of the
// line search, the pair updates and the direction; and the direction against
// its floor, 2m ascending dot products, timed in the same run.
#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdint>
#include <random>
#include <vector>

#include "arrays/terms.hpp"
#include "nlp/lbfgs.hpp"
#include "nlp/pair_history.hpp"

namespace {

// Unknown counts of the 300 x 300 sheet: dorvan (free components and one
// thickness per element) and melvar (free components only).
constexpr std::int64_t dorvan_unknowns = std::int64_t{3} * 299 * 299 + std::int64_t{2} * 300 * 300;
constexpr std::int64_t melvar_unknowns = std::int64_t{3} * 299 * 299;

// A history of the given number of random pairs of n entries with s.y > 0, and
// a gradient.
struct history {
    history(std::size_t n, std::int32_t pairs) : pairs(n, pairs) {}
    std::vector<double> g;
    nlp::pair_history pairs;
};

void fill(history& h, std::size_t n, std::int32_t pairs) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::vector<double> s(n), y(n);
    const auto fill_pair = [&] {
        for (std::size_t i = 0; i < n; ++i) {
            s[i] = 1e-3 * unit(random);
            y[i] = s[i] * (1.5 + unit(random));  // s.y > 0
        }
    };
    h.g.resize(n);
    for (double& value : h.g) value = unit(random);
    for (std::int32_t k = 1; k <= pairs; ++k) {
        fill_pair();
        h.pairs.store(s, y);
    }
}

// range(0) = unknowns, range(1) = pairs in the history (memory_size).
void direction(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const auto pairs = static_cast<std::int32_t>(state.range(1));
    history h(n, pairs);
    fill(h, n, pairs);
    std::vector<double> d(n);
    for (auto _ : state) {
        h.pairs.direction(h.g, d);
        benchmark::ClobberMemory();
    }
    state.counters["per_unknown_and_pair"] = benchmark::Counter(
        static_cast<double>(n) * pairs,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The floor: the loop of calib/chain.cpp, one ascending dot product whose adds
// form a single dependent chain, on its vectors a(i) = 1 + 1e-9 i and b(i) =
// 0.5 - 1e-9 i.
[[gnu::noinline]] double chain_dot(const double* a, const double* b, std::size_t n) {
    double s = 0.0;
    for (std::size_t i = 0; i < n; ++i) s = s + a[i] * b[i];
    return s;
}

double thread_seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// range(0) = unknowns, range(1) = pairs.
// Each iteration times one direction, then 2m chain passes over n entries, both
// in this thread's CPU time (the machine is shared), so the two figures see the
// same conditions. Counters: per_unknown_and_pair (direction), floor (chain, ns
// per entry) and ratio = direction / 2m chains.
void direction_vs_floor(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const auto pairs = static_cast<std::int32_t>(state.range(1));
    history h(n, pairs);
    fill(h, n, pairs);
    if (n == 0) {
        state.SkipWithError("no unknowns");
        return;
    }
    std::vector<double> d(n), a(n), b(n);
    for (std::size_t i = 0; i < n; ++i) {
        a[i] = 1.0 + 1e-9 * static_cast<double>(i);
        b[i] = 0.5 - 1e-9 * static_cast<double>(i);
    }
    double direction_time = 0.0, floor_time = 0.0, sink = 0.0;
    for (auto _ : state) {
        const double t0 = thread_seconds();
        h.pairs.direction(h.g, d);
        benchmark::ClobberMemory();
        const double t1 = thread_seconds();
        for (std::int32_t k = 0; k < 2 * pairs; ++k) {
            sink += chain_dot(a.data(), b.data(), n);
            a[static_cast<std::size_t>(k) % n] += 1e-12;
        }
        benchmark::DoNotOptimize(sink);
        const double t2 = thread_seconds();
        state.SetIterationTime(t1 - t0);
        direction_time += t1 - t0;
        floor_time += t2 - t1;
    }
    const double iterations = static_cast<double>(state.iterations());
    const double passes = 2.0 * pairs * static_cast<double>(n) * iterations;
    state.counters["per_unknown_and_pair"] = 1e9 * direction_time / (passes / 2.0);
    state.counters["floor"] = 1e9 * floor_time / passes;
    state.counters["ratio"] = direction_time / floor_time;
}

// f = sum (c_i x_i^2 / 2 - x_i) with c_i in [1, 10].
struct quadratic {
    std::vector<double> c;
    std::int64_t calls = 0;
    double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
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
    terms::real_vector x(1, n), g(1, n);
    for (auto _ : state) {
        benchmark::DoNotOptimize(q(n, x, g));
        benchmark::ClobberMemory();
    }
    state.counters["per_unknown"] = benchmark::Counter(
        n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// range(0) = unknowns, range(1) = memory_size; 20 iterations from x = 0 with
// the tolerance 0, so every run makes all 20. per_iteration_per_unknown is the
// whole cost, objective included; calls_per_iteration says how many evaluations
// of the quadratic that holds.
void lbfgs_iterations(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    const auto memory_size = static_cast<std::int32_t>(state.range(1));
    const nlp::lbfgs_settings settings = {.memory_size = memory_size,
                                          .max_iterations = 20,
                                          .tolerance = 0.0,
                                          .search = {.search_limit = 10, .search_factor = 0.9}};
    quadratic q = make_quadratic(static_cast<std::size_t>(n));
    terms::real_vector x(1, n), g(1, n);
    std::int64_t made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (double& value : x.view(1, n)) value = 0.0;
        state.ResumeTiming();
        const nlp::minimiser_result result = nlp::lbfgs(q, settings, n, x, g);
        made += result.minor;
    }
    state.counters["per_iteration_per_unknown"] = benchmark::Counter(
        static_cast<double>(made) * n / static_cast<double>(state.iterations()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["calls_per_iteration"] =
        static_cast<double>(q.calls) / static_cast<double>(made);
}

BENCHMARK(direction)
    ->ArgNames({"unknowns", "pairs"})
    ->Args({dorvan_unknowns, 5})
    ->Args({melvar_unknowns, 5})
    ->Args({dorvan_unknowns, 1})
    ->Unit(benchmark::kMicrosecond);
// The 300 x 300 dorvan sheet, out of cache, and the 100 x 100 melvar one, whose
// history fits in the last-level cache.
constexpr std::int64_t small_unknowns = std::int64_t{3} * 99 * 99;
BENCHMARK(direction_vs_floor)
    ->ArgNames({"unknowns", "pairs"})
    ->ArgsProduct({{dorvan_unknowns, small_unknowns}, {5, 10}})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(quadratic_objective)
    ->ArgName("unknowns")
    ->Arg(dorvan_unknowns)
    ->Arg(small_unknowns)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(lbfgs_iterations)
    ->ArgNames({"unknowns", "memory"})
    ->ArgsProduct({{dorvan_unknowns, small_unknowns}, {5, 10}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
