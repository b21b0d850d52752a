// Writing the three output files of the deformed 300 x 300 sheet in a scratch directory:
// ansys.txt, autocad.scr and output.txt, the final state they are written from (a call of the
// element routine per triangle, as a run makes it), and the .vtu from the same final state.
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

// output.txt alone: the final state (an element evaluation per triangle) is formed once.
template <class K>
void write_output(benchmark::State& state, bench::started_sheet<K>& sheet) {
    sheet::model_of<K>& m = sheet.model;
    m.results.minor = 1;
    m.results.energy = 1.0;
    m.results.tolerance = 1e-4;
    sheet::membrane<K>::find_final_state(m, *sheet.run, {});
    write(state, "output.txt", [&] { sheet::membrane<K>::output(m); });
}

// The final state: every element's row and the out-of-balance forces.
template <class K>
void final_state(benchmark::State& state, bench::started_sheet<K>& sheet) {
    for (auto _ : state) sheet::membrane<K>::find_final_state(sheet.model, *sheet.run, {});
}

// The .vtu alone: the report's rows and out-of-balance forces are formed once beforehand.
template <class K>
void write_vtu(benchmark::State& state, bench::started_sheet<K>& sheet) {
    sheet::model_of<K>& m = sheet.model;
    m.results.minor = 1;
    m.results.energy = 1.0;
    m.results.tolerance = 1e-4;
    sheet::membrane<K>::find_final_state(m, *sheet.run, {});
    write(state, "sheet.vtu", [&] { sheet::vtu("sheet.vtu", m, {}); });
}

void dorvan_ansys(benchmark::State& state) {
    const dorvan::model& m = bench::dorvan_sheet(1).model;
    write(state, "ansys.txt", [&] { dorvan::program::ansys(m); });
}

// The script draws the displaced sheet: the final state is formed once beforehand.
void dorvan_autocad(benchmark::State& state) {
    bench::started_sheet<dorvan::kinematics>& sheet = bench::dorvan_sheet(1);
    sheet::membrane<dorvan::kinematics>::find_final_state(sheet.model, *sheet.run, {});
    const dorvan::model& m = sheet.model;
    write(state, "autocad.scr", [&] { sheet::autocad(m); });
}

void dorvan_final_state(benchmark::State& state) {
    final_state(state, bench::dorvan_sheet(1));
}
void melvar_final_state(benchmark::State& state) {
    final_state(state, bench::melvar_sheet(1));
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
BENCHMARK(dorvan_final_state)->Unit(benchmark::kMillisecond);
BENCHMARK(melvar_final_state)->Unit(benchmark::kMillisecond);
BENCHMARK(dorvan_output)->Unit(benchmark::kMillisecond);
BENCHMARK(melvar_output)->Unit(benchmark::kMillisecond);
BENCHMARK(dorvan_vtu)->Unit(benchmark::kMillisecond);
BENCHMARK(melvar_vtu)->Unit(benchmark::kMillisecond);

}  // namespace
