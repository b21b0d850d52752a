// The [sweep] table of a problem file read against the file it sits in: the values it varies,
// where each is in the document, the values each takes and how the cases combine them.
#pragma once

#include <toml++/toml.h>

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

#include "sheetprep/table_reader.hpp"

namespace sheetprep {

// One step into the document: a key of a table, or an entry of an array (from 0).
using path_step = std::variant<std::string, std::size_t>;

template <class Node>
Node* step_into(Node& node, const path_step& step) {
    if (const std::string* key = std::get_if<std::string>(&step))
        return node.is_table() ? node.as_table()->get(*key) : nullptr;
    return node.is_array() ? node.as_array()->get(std::get<std::size_t>(step)) : nullptr;
}

// A value the sweep varies: where it is in the problem file and the values it takes.
struct swept_key {
    std::string name;  // as written in [sweep]
    std::vector<path_step> path;
    const toml::node* base = nullptr;  // its value in the problem file
    std::vector<const toml::node*> values;
    toml::source_position written;  // of the key in [sweep]
};

struct sweep_plan {
    std::vector<swept_key> keys;  // in the order the [sweep] table writes them
    bool zipped = false;
    std::size_t cases = 0;
};

// Reads the [sweep] table against the problem file it sits in.
sweep_plan read_sweep(const toml::table& document, const toml::table& sweep,
                      const std::string& file);

// Which value of each key case k (from 0) takes: the lists zipped, or their product with the
// last key varying fastest.
std::vector<std::size_t> picks_of(const sweep_plan& plan, std::size_t k);

// A value as the manifest shows it: a string as it is, a number in its shortest form.
std::string shown(const toml::node& value);

// A value on one line of the manifest, which the scripts read line by line: a line break in a
// string shows as \n.
std::string listed(const toml::node& value);

}  // namespace sheetprep
