// The instruction sets this machine runs, from the compiler's runtime report of its features.
#include "sheet/assembly/lane_choice.hpp"

#if HWY_ARCH_X86
#include <cpuid.h>
#endif

namespace sheet {

namespace {

#if HWY_ARCH_X86
// F16C, which Clang's feature names lack: CPUID leaf 1, ECX bit 29. Its instructions are VEX
// encoded, so they also need the AVX state, which the caller tests.
bool has_f16c() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) != 0 && (c & bit_F16C) != 0;
}
#endif

}  // namespace

std::int64_t runnable_lane_targets() {
    // the baseline the kernels' own file is compiled for, and the scalar and emulated sets
    std::int64_t targets = HWY_STATIC_TARGET | HWY_SCALAR | HWY_EMU128;
#if HWY_ARCH_X86
    __builtin_cpu_init();
    // the extensions of each set as Highway compiles it (its HWY_TARGET_STR_* strings); the
    // runtime counts AVX and AVX-512 only where the operating system saves their registers
    const bool ssse3 = __builtin_cpu_supports("sse2") && __builtin_cpu_supports("ssse3");
    const bool sse4 = ssse3 && __builtin_cpu_supports("sse4.1") &&
                      __builtin_cpu_supports("sse4.2") && __builtin_cpu_supports("pclmul") &&
                      __builtin_cpu_supports("aes");
    const bool avx2 = sse4 && __builtin_cpu_supports("avx") && __builtin_cpu_supports("avx2") &&
                      __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
                      __builtin_cpu_supports("fma") && has_f16c();
    const bool avx3 = avx2 && __builtin_cpu_supports("avx512f") &&
                      __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
                      __builtin_cpu_supports("avx512bw");
    if (ssse3) targets |= HWY_SSSE3;
    if (sse4) targets |= HWY_SSE4;
    if (avx2) targets |= HWY_AVX2;
    if (avx3) targets |= HWY_AVX3;
#endif
    return targets;
}

hwy::ChosenTarget& lane_choice() {
    static hwy::ChosenTarget chosen;
    static const bool made = (chosen.Update(runnable_lane_targets()), true);
    static_cast<void>(made);
    return chosen;
}

}  // namespace sheet
