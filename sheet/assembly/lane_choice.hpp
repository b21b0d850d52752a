// Which instruction set the vector kernels run in. Each kernel is compiled once per instruction
// set (Highway's foreach_target.h) into a table of Highway's layout; the table is read by a
// choice made here once, from the CPU's features as the compiler's runtime reports them, rather
// than by Highway's own dispatch: its library, once loaded, spends 3 to 4 ms of every process
// measuring its timer (libhwy 1.0.3), about a sixth of a 25 x 25 sheet's run. Headers of Highway
// only, no library.
#pragma once

#include <hwy/highway.h>

#include <cstdint>

namespace sheet {

// Highway's target bits of the instruction sets this machine runs among those the kernels are
// compiled for (x86: SSE4, AVX2, AVX3): a set is run only when the CPU and the operating system
// have every extension the compiler may use in it.
std::int64_t runnable_lane_targets();

// The choice every table is read by: the best runnable set, made on first use. A test narrows
// it to one set by Update(that set's bit) and restores it by Update(runnable_lane_targets()).
hwy::ChosenTarget& lane_choice();

}  // namespace sheet

// SHEET_LANE_EXPORT(f) at the namespace of f's per-set definitions, after the last of them
// (in the HWY_ONCE part of its file); SHEET_LANE_DISPATCH(f)(arguments...) calls the chosen one.
#if HWY_IDE || ((HWY_TARGETS & (HWY_TARGETS - 1)) == 0)
#define SHEET_LANE_EXPORT(FUNC) static_assert(true, "one instruction set: no table")
#define SHEET_LANE_DISPATCH(FUNC) HWY_STATIC_DISPATCH(FUNC)
#else
#define SHEET_LANE_TABLE(FUNC) HWY_CONCAT(FUNC, LaneTable)
#define SHEET_LANE_EXPORT(FUNC)                                         \
    static decltype(&HWY_STATIC_DISPATCH(FUNC)) const SHEET_LANE_TABLE( \
        FUNC)[HWY_MAX_DYNAMIC_TARGETS + 2] = {                          \
        &HWY_STATIC_DISPATCH(FUNC), HWY_CHOOSE_TARGET_LIST(FUNC), HWY_CHOOSE_FALLBACK(FUNC)}
#define SHEET_LANE_DISPATCH(FUNC) (*(SHEET_LANE_TABLE(FUNC)[::sheet::lane_choice().GetIndex()]))
#endif
