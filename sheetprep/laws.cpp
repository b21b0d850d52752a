// The laws of dorvan and melvar as the problem file names them, from the laws' own descriptors:
// a solver given a constant without meaning runs on into a failed line search or an energy of
// NaN.
#include "sheetprep/laws.hpp"

#include <utility>
#include <variant>

#include "dorvan/laws.hpp"
#include "melvar/laws.hpp"

namespace sheetprep {

namespace {

template <class Law>
law_entry entry_of() {
    const sheet::law_descriptor<Law>& d = Law::descriptor;
    law_entry out{d.number, d.name, sheet::law_heading<Law>(), {}, {}};
    for (const sheet::law_constant<Law>& c : d.constants) out.constants.push_back(c.key);
    out.meaningless = [](const std::vector<double>& values) -> std::string {
        Law law{};
        const auto& constants = Law::descriptor.constants;
        for (std::size_t k = 0; k < values.size(); ++k) law.*constants[k].value = values[k];
        const sheet::law_constant<Law>& last = constants[values.size() - 1];
        if (last.meaningful != nullptr && !last.meaningful(law)) return last.refusal;
        return {};
    };
    return out;
}

template <class Laws>
std::vector<law_entry> entries_of() {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
        return std::vector<law_entry>{entry_of<std::variant_alternative_t<I, Laws>>()...};
    }
    (std::make_index_sequence<std::variant_size_v<Laws>>());
}

}  // namespace

const std::vector<law_entry>& laws_of(program_kind program) {
    static const std::vector<law_entry> dorvan = entries_of<dorvan::plain_law>();
    static const std::vector<law_entry> melvar = entries_of<melvar::plain_law>();
    return program == program_kind::dorvan ? dorvan : melvar;
}

}  // namespace sheetprep
