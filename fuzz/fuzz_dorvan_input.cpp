// Fuzz target: any text as dorvan's input.txt, read and taken to the starting state (which
// evaluates the objective once when reference_force <= 0).
#include "dorvan/program.hpp"
#include "fuzz_target.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return sheet_fuzz::run_one<dorvan::model>(
        data, size, [](dorvan::model& m, sheet::scanner& in) { dorvan::program::input(m, in); },
        [](dorvan::model& m) { dorvan::program::start(m); });
}
