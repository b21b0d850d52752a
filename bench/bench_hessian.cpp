// Newton's element Hessian, by the invariants of the element's plane (the programs' own) and by
// dual numbers through the whole element (the reference), over the first 20 000 elements of the
// generated 300 x 300 sheet at its small random deformation, per material law, plain and
// relaxed; per_element is the time of one element's Hessian.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "bench/sheet_fixture.hpp"
#include "dorvan/program.hpp"
#include "melvar/program.hpp"
#include "sheet/mechanics/packed.hpp"

namespace {

constexpr std::size_t measured = 20000;

// range(0) = material law, range(1) = 1 relaxed, range(2) = 1 by dual numbers.
template <class K>
void hessians(benchmark::State& state, bench::started_sheet<K>& sheet) {
    sheet::model_of<K>& m = sheet.model;
    const auto plain = m.law;
    if (state.range(1) == 1) m.law = sheet::relaxed_law(m.law);
    const bool duals = state.range(2) == 1;
    const sheet::element_columns& table = sheet.run->plan.table();
    const std::size_t elements = std::min(measured, m.problem.mesh.elements.size());
    const int size = sheet::packed_size(9 + K::internal_unknowns);
    std::vector<double> packed(elements * static_cast<std::size_t>(size));
    const auto xs = m.unknowns.x.view(1, m.numbering.unknown_count);
    const double* prescribed = m.problem.supports.prescribed.all().data();
    for (auto _ : state) {
        std::fill(packed.begin(), packed.end(), 0.0);
        for (std::size_t at = 0; at < elements; ++at) {
            double* block = packed.data() + at * static_cast<std::size_t>(size);
            if (duals)
                element_hessian_by_duals(m, table, at, xs, prescribed, block);
            else
                element_hessian(m, table, at, xs, prescribed, block);
        }
        benchmark::DoNotOptimize(packed.data());
        benchmark::ClobberMemory();
    }
    m.law = plain;
    state.counters["per_element"] = benchmark::Counter(
        static_cast<double>(elements),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void dorvan_hessian(benchmark::State& state) {
    hessians(state, bench::dorvan_sheet(static_cast<std::int32_t>(state.range(0))));
}
void melvar_hessian(benchmark::State& state) {
    hessians(state, bench::melvar_sheet(static_cast<std::int32_t>(state.range(0))));
}

BENCHMARK(dorvan_hessian)
    ->ArgNames({"law", "relaxed", "duals"})
    ->ArgsProduct({{1, 2}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(melvar_hessian)
    ->ArgNames({"law", "relaxed", "duals"})
    ->ArgsProduct({{1, 2, 3}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
