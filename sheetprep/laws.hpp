// The material laws the problem file may name: for each program, the laws of its own list
// (dorvan/laws.hpp, melvar/laws.hpp) as their descriptors state them: names, numbers in
// input.txt, constants in their order, the heading of input.txt's sheet section, and which
// values of a constant have no meaning.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sheetprep/problem.hpp"

namespace sheetprep {

struct law_entry {
    std::int32_t number;
    std::string_view name;
    std::string heading;                      // "neo-Hookean: shear bulk"
    std::vector<std::string_view> constants;  // their keys, in input.txt's order
    // Why the last of values (the law's constants so far, in order) has no meaning; empty when
    // it has one.
    std::function<std::string(const std::vector<double>&)> meaningless;
};

// The laws of program, in the order of their numbers.
const std::vector<law_entry>& laws_of(program_kind program);

}  // namespace sheetprep
