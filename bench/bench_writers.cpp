// Writing the three output files of the deformed 300 x 300 sheet in a scratch directory:
// ansys.txt, autocad.scr and output.txt (the latter with its call of the element routine per
// triangle, as a run makes it), and the .vtu from the report's results.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "bench/sheet_fixture.hpp"
#include "dorvan/program.hpp"
#include "melvar/program.hpp"
#include "sheet/output/autocad.hpp"
#include "sheet/output/vtu.hpp"

namespace {

template <class Write>
void write(benchmark::State& state, const char* file, Write&& once) {
    bench::enter_scratch_dir();
    for (auto _ : state) once();
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(file)));
}

// output turns the loads into out-of-balance forces, so every write starts from the loads read.
template <class Model>
void write_output(benchmark::State& state, Model& m) {
    m.results.minor = 1;
    m.results.energy = 1.0;
    m.results.tolerance = 1e-4;
    const auto loads = m.problem.loads.all();
    const std::vector<double> read(loads.begin(), loads.end());
    write(state, "output.txt", [&] {
        state.PauseTiming();
        std::copy(read.begin(), read.end(), loads.begin());
        state.ResumeTiming();
        output(m);
    });
    std::copy(read.begin(), read.end(), loads.begin());
}

// The .vtu alone: the report's rows and out-of-balance forces are formed once beforehand.
template <class Model>
void write_vtu(benchmark::State& state, Model& m) {
    m.results.minor = 1;
    m.results.energy = 1.0;
    m.results.tolerance = 1e-4;
    bench::enter_scratch_dir();
    sheet::vtu_results kept{sheet::applied_loads(m), {}, true};
    output(m, &kept.rows);
    write(state, "sheet.vtu", [&] { sheet::vtu("sheet.vtu", m, kept); });
    std::copy(kept.applied.begin(), kept.applied.end(), m.problem.loads.all().begin());
}

void dorvan_ansys(benchmark::State& state) {
    const dorvan::model& m = bench::dorvan_sheet(1);
    write(state, "ansys.txt", [&] { dorvan::ansys(m); });
}

void dorvan_autocad(benchmark::State& state) {
    const dorvan::model& m = bench::dorvan_sheet(1);
    write(state, "autocad.scr", [&] { sheet::autocad(m); });
}

void dorvan_output(benchmark::State& state) {
    write_output(state, bench::dorvan_sheet(1));
}
void melvar_output(benchmark::State& state) {
    write_output(state, bench::melvar_sheet(1));
}
void dorvan_vtu(benchmark::State& state) {
    write_vtu(state, bench::dorvan_sheet(1));
}
void melvar_vtu(benchmark::State& state) {
    write_vtu(state, bench::melvar_sheet(1));
}

BENCHMARK(dorvan_ansys)->Unit(benchmark::kMillisecond);
BENCHMARK(dorvan_autocad)->Unit(benchmark::kMillisecond);
BENCHMARK(dorvan_output)->Unit(benchmark::kMillisecond);
BENCHMARK(melvar_output)->Unit(benchmark::kMillisecond);
BENCHMARK(dorvan_vtu)->Unit(benchmark::kMillisecond);
BENCHMARK(melvar_vtu)->Unit(benchmark::kMillisecond);

}  // namespace
