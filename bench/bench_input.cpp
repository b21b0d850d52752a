// Reading input.txt: the scanner and the sections of each program over the generated 300 x 300
// sheet, from a text already in memory and from the file itself.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "bench/sheet_fixture.hpp"
#include "dorvan/program.hpp"
#include "melvar/program.hpp"
#include "sheet/input/scanner.hpp"

namespace {

// input(m, scanner) over the text in memory; the copy of the text into the scanner is not
// timed (it stands for the file read that the next benchmark includes).
template <class K>
void read_text(benchmark::State& state, const std::string& program) {
    const std::string& text = bench::sheet_text(program);
    for (auto _ : state) {
        state.PauseTiming();
        sheet::scanner in("input.txt", text);
        state.ResumeTiming();
        sheet::model_of<K> m;
        sheet::membrane<K>::input(m, in);
        benchmark::DoNotOptimize(m.problem.mesh.elements.size());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

// input(m) as a run calls it: opening and reading input.txt included.
template <class K>
void read_file(benchmark::State& state, const std::string& program) {
    const std::string& text = bench::sheet_text(program);
    bench::enter_scratch_dir();
    std::ofstream("input.txt", std::ios::binary) << text;
    for (auto _ : state) {
        sheet::model_of<K> m;
        sheet::membrane<K>::input(m);
        benchmark::DoNotOptimize(m.problem.mesh.elements.size());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void dorvan_text(benchmark::State& state) {
    read_text<dorvan::kinematics>(state, "dorvan");
}
void melvar_text(benchmark::State& state) {
    read_text<melvar::kinematics>(state, "melvar");
}
void dorvan_file(benchmark::State& state) {
    read_file<dorvan::kinematics>(state, "dorvan");
}
void melvar_file(benchmark::State& state) {
    read_file<melvar::kinematics>(state, "melvar");
}

BENCHMARK(dorvan_text)->Unit(benchmark::kMillisecond);
BENCHMARK(melvar_text)->Unit(benchmark::kMillisecond);
BENCHMARK(dorvan_file)->Unit(benchmark::kMillisecond);
BENCHMARK(melvar_file)->Unit(benchmark::kMillisecond);

}  // namespace
