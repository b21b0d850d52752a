// Fuzz target: any text as melvar's input.txt, read and taken to the starting state (which
// evaluates the objective once when reference_force <= 0).
#include "fuzz_target.hpp"
#include "melvar/program.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return sheet_fuzz::run_one<melvar::model>(
        data, size, [](melvar::model& m, sheet::scanner& in) { melvar::program::input(m, in); },
        [](melvar::model& m) { melvar::program::start(m); });
}
