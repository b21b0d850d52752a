// dorvan's element kernels: its element over vector lanes for every instruction set Highway
// dispatches to, and its element Hessians (by invariants, and by dual numbers for reference).
#include "dorvan/kinematics.hpp"

#define SHEET_MEMBRANE_KINEMATICS dorvan::kinematics
#define SHEET_MEMBRANE_PROGRAM dorvan
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "sheet/membrane/kernels-inl.hpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include "sheet/membrane/kernels-inl.hpp"
