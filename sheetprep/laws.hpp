// The material laws the problem file may name: for each program, their names, their numbers in
// input.txt and their constants in its order, and which values of a constant have no meaning.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sheetprep/problem.hpp"

namespace sheetprep {

struct law_entry {
    program_kind program;
    std::int32_t number;
    std::string_view name;
    std::vector<std::string_view> constants;
};

// The laws of program, in the order of their numbers.
std::vector<const law_entry*> laws_of(program_kind program);

// Why value has no meaning as the constant of that name, read after those before it (the law's
// earlier constants, in order); empty when it has one.
std::string meaningless(std::string_view constant, double value, const std::vector<double>& before);

}  // namespace sheetprep
