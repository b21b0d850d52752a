// One evaluation of the total potential energy and its gradient on the generated 300 x 300
// sheet at a small random deformation, per material law, and with a follower pressure on every
// element; per_element is the time of one evaluation divided by the element count.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/sheet_fixture.hpp"
#include "dorvan/program.hpp"
#include "melvar/program.hpp"

namespace {

template <class K>
void evaluate(benchmark::State& state, bench::started_sheet<K>& sheet, std::int32_t n) {
    sheet::model_of<K>& m = sheet.model;
    const auto elements = static_cast<double>(m.problem.mesh.elements.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            sheet::membrane<K>::objective(m, *sheet.run, n, m.unknowns.x, m.unknowns.gradient));
        benchmark::ClobberMemory();
    }
    state.counters["per_element"] = benchmark::Counter(
        elements, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["elements"] = elements;
    state.counters["unknowns"] = n;
}

// range(0) = material law: 1 neo-Hookean, 2 Mooney-Rivlin.
void dorvan_objective(benchmark::State& state) {
    auto& sheet = bench::dorvan_sheet(static_cast<std::int32_t>(state.range(0)));
    evaluate(state, sheet, sheet.model.numbering.unknown_count);
}

// range(0) = material law: 1 neo-Hookean, 2 Mooney-Rivlin, 3 Arruda-Boyce.
void melvar_objective(benchmark::State& state) {
    auto& sheet = bench::melvar_sheet(static_cast<std::int32_t>(state.range(0)));
    evaluate(state, sheet, sheet.model.numbering.free_count);
}

// range(0) = material law, as above, with a follower pressure on every element: beside the
// plain evaluation of the same law, the cost of the pressures' pass.
void melvar_objective_pressed(benchmark::State& state) {
    auto& sheet = bench::melvar_sheet(static_cast<std::int32_t>(state.range(0)));
    std::vector<sheet::pressure>& pressures = sheet.model.problem.pressures;
    for (std::int32_t e = 1; e <= sheet.model.problem.mesh.elements.last(); ++e)
        pressures.push_back({e, 1.0E-3});
    const auto restart = [&] {
        sheet.run.emplace(sheet::started<melvar::kinematics>{
            sheet::assembly_plan(sheet.model), sheet::make_terms<melvar::kinematics>(sheet.model)});
    };
    restart();
    evaluate(state, sheet, sheet.model.numbering.free_count);
    pressures.clear();  // the shared sheet as it was
    restart();
}

BENCHMARK(dorvan_objective)->ArgName("law")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(melvar_objective)->ArgName("law")->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(melvar_objective_pressed)->ArgName("law")->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
