// How an element's symmetric matrices (its Hessian, the shift's block) are stored: the upper
// triangle by columns, entry (a, b), a <= b, at b (b + 1) / 2 + a.
#pragma once

namespace sheet {

constexpr int packed_position(int a, int b) {
    return b * (b + 1) / 2 + a;
}
constexpr int packed_size(int local_count) {
    return local_count * (local_count + 1) / 2;
}

}  // namespace sheet
