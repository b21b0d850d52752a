// A law under the relaxed energy of tension-field theory: the same law, constants and descriptor
// (its number, names, reading, deck table and .vtu constants are the law's own), whose elements
// carry no compression (sheet/mechanics/tension_field.hpp). A program's law variant lists its
// plain laws, then each of them relaxed: input reads the plain law by its number, and the
// membrane section of input.txt turns it into its relaxed alternative.
#pragma once

#include <type_traits>
#include <variant>

namespace sheet {

// Law, relaxed. Its energy density stays the law's: the program's element relaxes it.
template <class Law>
struct relaxed : Law {};

template <class Law>
inline constexpr bool is_relaxed = false;
template <class Law>
inline constexpr bool is_relaxed<relaxed<Law>> = true;

// The plain law of law: law itself, or the law it relaxes.
template <class Law>
const Law& unrelaxed(const Law& law) {
    return law;
}
template <class Law>
const Law& unrelaxed(const relaxed<Law>& law) {
    return law;
}

// std::variant<Laws..., relaxed<Laws>...> of the plain laws' variant.
template <class Plain>
struct with_relaxed;
template <class... Laws>
struct with_relaxed<std::variant<Laws...>> {
    using type = std::variant<Laws..., relaxed<Laws>...>;
};
template <class Plain>
using with_relaxed_t = typename with_relaxed<Plain>::type;

// The law that laws holds, relaxed (as it is when it is already).
template <class Laws>
Laws relaxed_law(const Laws& laws) {
    return std::visit(
        [](const auto& law) -> Laws {
            using law_type = std::decay_t<decltype(law)>;
            if constexpr (is_relaxed<law_type>)
                return law;
            else
                return relaxed<law_type>{law};
        },
        laws);
}

}  // namespace sheet
