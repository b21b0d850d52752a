// The upper halves of the vector registers cleared at the end of wide-vector code. Plain SSE
// code (the C library, the code compiled for the baseline) that runs while they hold data pays on
// every instruction it executes. The compiler clears them on leaving a function that used
// registers 0 to 15 wide, but not one that used only registers 16 to 31, so each kernel that
// the dispatch calls (lane_choice.hpp), and each call of the C library among vectors, clears them
// itself. Included once per instruction set of foreach_target.h, inside its target region.
#if defined(SHEET_UPPER_HALVES_INL_HPP) == defined(HWY_TARGET_TOGGLE)
#ifdef SHEET_UPPER_HALVES_INL_HPP
#undef SHEET_UPPER_HALVES_INL_HPP
#else
#define SHEET_UPPER_HALVES_INL_HPP
#endif

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace sheet::HWY_NAMESPACE {

inline void clear_upper_halves() {
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX2
    _mm256_zeroupper();
#endif
}

}  // namespace sheet::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif
