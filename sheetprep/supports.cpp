// Merging the supports component by component, so that input.txt holds each once.
#include "sheetprep/supports.hpp"

#include <optional>

#include "sheet/failure.hpp"
#include "sheetprep/real_text.hpp"

namespace sheetprep {

std::vector<component_value> prescribe(const std::vector<held_nodes>& supports, const mesh& m) {
    // Per node component: the value and the support that gave it first.
    struct given {
        double value;
        const support* by;
    };
    std::vector<std::array<std::optional<given>, 3>> table(m.nodes.size());
    for (const held_nodes& entry : supports) {
        for (const std::int32_t node : entry.nodes) {
            for (int j = 0; j < 3; ++j) {
                if (!entry.held->value[j]) continue;
                const double value = *entry.held->value[j];
                std::optional<given>& slot = table[node][j];
                if (!slot) {
                    slot = given{value, entry.held};
                } else if (slot->value != value) {
                    const point& at = m.nodes[node];
                    throw sheet::failure("supports '" + slot->by->group + "' and '" +
                                         entry.held->group + "' prescribe different " + "xyz"[j] +
                                         " values (" + real_text(slot->value) + " and " +
                                         real_text(value) + ") at node " +
                                         std::to_string(node + 1) + " (" + real_text(at[0]) + ", " +
                                         real_text(at[1]) + ", " + real_text(at[2]) + ")");
                }
            }
        }
    }
    std::vector<component_value> out;
    for (std::size_t i = 0; i < table.size(); ++i)
        for (int j = 0; j < 3; ++j)
            if (table[i][j]) out.push_back({static_cast<std::int32_t>(i), j, table[i][j]->value});
    return out;
}

}  // namespace sheetprep
