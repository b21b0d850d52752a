#include "sheetprep/sweep_plan.hpp"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string_view>

#include "sheet/failure.hpp"
#include "sheetprep/real_text.hpp"
#include "sheetprep/sweep.hpp"

namespace sheetprep {

namespace {

const char* kind_of(const toml::node& node) {
    switch (node.type()) {
        case toml::node_type::integer:
        case toml::node_type::floating_point:
            return "a number";
        case toml::node_type::string:
            return "a string";
        case toml::node_type::boolean:
            return "true or false";
        case toml::node_type::array:
            return "an array";
        case toml::node_type::table:
            return "a table";
        default:
            return "a date or time";
    }
}

bool whole_number(std::string_view text) {
    return !text.empty() && text.size() < 10 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The value the swept key names in the problem file, as a path from its top. A part after an
// array names an entry by its place from 1 ("load.1.pressure") or, in an array of tables, by
// the entry's group ("load.skin.pressure").
std::vector<path_step> resolve(const toml::table& document, const std::string& name,
                               const std::string& file, const toml::source_region& where) {
    const auto fail = [&](const std::string& what) {
        throw sheet::failure(place_in(file, where) + "unknown key '" + name +
                             "' in [sweep]: " + what);
    };
    std::vector<path_step> path;
    const toml::node* node = &document;
    std::string place = "the problem file";
    std::size_t from = 0;
    while (from <= name.size()) {
        const std::size_t dot = std::min(name.find('.', from), name.size());
        const std::string part = name.substr(from, dot - from);
        from = dot + 1;
        if (part.empty()) fail("it has an empty part");
        if (const toml::table* table = node->as_table()) {
            if (node == &document && part == "sweep") fail("the sweep cannot sweep itself");
            node = table->get(part);
            if (node == nullptr)
                fail(place + " gives no '" + part +
                     "' (a swept key names a value the problem file gives)");
            const toml::array* entries = node->as_array();
            place = node->is_table() ? "[" + name.substr(0, dot) + "]"
                    : entries != nullptr && entries->is_array_of_tables()
                        ? "[[" + part + "]]"
                        : "'" + name.substr(0, dot) + "'";
            path.emplace_back(part);
        } else if (const toml::array* array = node->as_array()) {
            const bool of_tables = array->is_array_of_tables();
            std::size_t index = array->size();
            if (whole_number(part)) {
                index = static_cast<std::size_t>(std::stoul(part)) - 1;
                if (index >= array->size())
                    fail("there " + std::string(array->size() == 1 ? "is " : "are ") +
                         std::to_string(array->size()) + " of " + place + ", counted from 1");
            } else if (of_tables) {
                for (std::size_t k = 0; k < array->size(); ++k) {
                    const std::optional<std::string_view> group =
                        (*array)[k].as_table()->get("group") != nullptr
                            ? (*array)[k].as_table()->get("group")->value<std::string_view>()
                            : std::nullopt;
                    if (!group || *group != part) continue;
                    if (index != array->size())
                        fail("two entries of " + place + " have the group '" + part +
                             "'; name one by its place, counted from 1");
                    index = k;
                }
                if (index == array->size())
                    fail("no entry of " + place + " has the group '" + part + "'");
            } else {
                fail("an entry of " + place + " is named by its place, counted from 1");
            }
            node = array->get(index);
            place = of_tables ? place + " " + std::to_string(index + 1)
                              : "'" + name.substr(0, dot) + "'";
            path.emplace_back(index);
        } else {
            fail(place + " is a single value");
        }
    }
    if (node->is_table() || (node->is_array() && node->as_array()->is_array_of_tables()))
        fail(place + " is a table; a swept key names one of its values");
    return path;
}

}  // namespace

// Reads the [sweep] table against the problem file it sits in.
sweep_plan read_sweep(const toml::table& document, const toml::table& sweep,
                      const std::string& file) {
    sweep_plan plan;
    const std::string in_sweep = place_in(file, sweep.source()) + "[sweep] ";
    for (auto&& [key, value] : sweep) {
        const std::string name(key.str());
        if (name == "mode") {
            const std::optional<std::string_view> mode = value.value<std::string_view>();
            if (!mode || (*mode != "product" && *mode != "zip"))
                throw sheet::failure(place_in(file, value.source()) +
                                     "[sweep] 'mode' must be \"product\" or \"zip\"");
            plan.zipped = *mode == "zip";
            continue;
        }
        if (value.is_table())  // [sweep] sheet.thickness = [...] is a table sheet in [sweep]
            throw sheet::failure(place_in(file, key.source()) + "[sweep] '" + name +
                                 "' is a table: write a swept key in quotes, \"" + name +
                                 ".thickness\" = [...]");
        swept_key swept;
        swept.name = name;
        swept.written = key.source().begin;
        swept.path = resolve(document, name, file, key.source());
        swept.base = &document;
        for (const path_step& step : swept.path) swept.base = step_into(*swept.base, step);
        const toml::array* list = value.as_array();
        if (list == nullptr)
            throw sheet::failure(place_in(file, value.source()) + "[sweep] '" + name +
                                 "' must be a list of the values it takes, [a, b, ...]");
        if (list->empty())
            throw sheet::failure(place_in(file, value.source()) + "[sweep] '" + name +
                                 "' is an empty list; give it one value at least");
        for (std::size_t k = 0; k < list->size(); ++k) {
            const toml::node& one = (*list)[k];
            const bool numbers = one.is_number() && swept.base->is_number();
            if (!numbers && one.type() != swept.base->type())
                throw sheet::failure(place_in(file, one.source()) + "[sweep] '" + name +
                                     "': value " + std::to_string(k + 1) + " is " + kind_of(one) +
                                     ", where the problem file gives " + kind_of(*swept.base));
            swept.values.push_back(&one);
        }
        for (const swept_key& other : plan.keys)
            if (other.path == swept.path)
                throw sheet::failure(place_in(file, key.source()) + "[sweep] '" + name +
                                     "' names the value '" + other.name + "' names");
        plan.keys.push_back(std::move(swept));
    }
    if (plan.keys.empty())
        throw sheet::failure(in_sweep +
                             "names no value to sweep, such as \"sheet.thickness\" = "
                             "[0.008, 0.01]");
    // In the order written (toml++ keeps a table's keys sorted): the first varies slowest.
    std::stable_sort(plan.keys.begin(), plan.keys.end(),
                     [](const swept_key& a, const swept_key& b) {
                         return std::make_pair(a.written.line, a.written.column) <
                                std::make_pair(b.written.line, b.written.column);
                     });

    if (plan.zipped) {
        for (const swept_key& k : plan.keys)
            if (k.values.size() != plan.keys.front().values.size())
                throw sheet::failure(
                    in_sweep + "zips lists of unequal length: '" + plan.keys.front().name +
                    "' has " + std::to_string(plan.keys.front().values.size()) + " values, '" +
                    k.name + "' " + std::to_string(k.values.size()));
        plan.cases = plan.keys.front().values.size();
    } else {
        plan.cases = 1;
        for (const swept_key& k : plan.keys)
            plan.cases = plan.cases > most_cases / k.values.size() + 1
                             ? most_cases + 1
                             : plan.cases * k.values.size();
    }
    if (plan.cases > most_cases)
        throw sheet::failure(in_sweep + "makes more than " + std::to_string(most_cases) +
                             " cases; split it into smaller sweeps");
    return plan;
}

// Which value of each key case k (from 0) takes: the lists zipped, or their product with the
// last key varying fastest.
std::vector<std::size_t> picks_of(const sweep_plan& plan, std::size_t k) {
    std::vector<std::size_t> picks(plan.keys.size(), k);
    if (plan.zipped) return picks;
    for (std::size_t j = plan.keys.size(); j-- > 0;) {
        picks[j] = k % plan.keys[j].values.size();
        k /= plan.keys[j].values.size();
    }
    return picks;
}

// A value as the manifest shows it: a string as it is, a number in its shortest form.
std::string shown(const toml::node& value) {
    if (const auto text = value.value_exact<std::string>()) return *text;
    if (const auto whole = value.value_exact<std::int64_t>()) return std::to_string(*whole);
    if (const auto real = value.value_exact<double>()) return real_text(*real);
    if (const auto flag = value.value_exact<bool>()) return *flag ? "true" : "false";
    std::ostringstream out;
    value.visit([&out](const auto& v) { out << v; });
    return out.str();
}

// A value on one line of the manifest, which the scripts read line by line: a line break in a
// string shows as \n.
std::string listed(const toml::node& value) {
    std::string out;
    for (const char c : shown(value))
        out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
    return csv_field(out);
}

}  // namespace sheetprep
