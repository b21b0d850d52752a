// Reading the material law of input.txt's sheet section: the law of the program's list whose
// number was read, then its constants in their order, each as its descriptor names it.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "sheet/input/scanner.hpp"
#include "sheet/input/sections.hpp"
#include "sheet/model/law.hpp"

namespace sheet {

namespace detail {

// Reads the constants of law alternative I of Laws when its number is number; true when it was.
template <class Laws, std::size_t I>
bool read_law_if(scanner& in, std::int32_t number, Laws& out) {
    using law_type = std::variant_alternative_t<I, Laws>;
    if (law_type::descriptor.number != number) return false;
    law_type law{};
    // a relaxed law reads as the law it relaxes, by that law's descriptor
    for (const auto& c : law_type::descriptor.constants) {
        law.*c.value = in.read_real({c.words});
        if (c.accepted != nullptr && !c.accepted(law)) {
            std::string expected = "expected ";
            expected.append(c.words).append(", ").append(c.accepts);
            in.fail_at_number("invalid value", expected);
        }
    }
    if constexpr (requires { law.derive(); }) law.derive();
    out = law;
    return true;
}

}  // namespace detail

// The law numbered number among Laws (a std::variant of law structs), its constants read from
// in. Fails with "undefined material law N" when none has that number.
template <class Laws>
Laws read_law(scanner& in, std::int32_t number) {
    Laws out;
    const bool found = [&]<std::size_t... I>(std::index_sequence<I...>) {
        return (detail::read_law_if<Laws, I>(in, number, out) || ...);
    }
    (std::make_index_sequence<std::variant_size_v<Laws>>());
    if (!found) throw undefined_law(number);
    return out;
}

}  // namespace sheet
