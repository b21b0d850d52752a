// One table of a TOML problem file: the check that it holds only the keys it may, so that a
// misspelt key is an error instead of a silent default, and its values, each reported with the
// position of the value in the file.
#pragma once

#include <toml++/toml.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sheet/failure.hpp"

namespace sheetprep {

// "file:line:column: " of a place in a TOML file ("file: " where toml++ gives no line).
inline std::string place_in(const std::string& file, const toml::source_region& where) {
    if (where.begin.line == 0) return file + ": ";
    return file + ":" + std::to_string(where.begin.line) + ":" +
           std::to_string(where.begin.column) + ": ";
}

// The key in quotes, for the messages.
inline std::string quoted(std::string_view key) {
    std::string out(1, '\'');
    out += key;
    out += '\'';
    return out;
}

inline std::string joined(const std::vector<std::string_view>& names) {
    std::string out;
    for (const std::string_view name : names) {
        if (!out.empty()) out += ", ";
        out += name;
    }
    return out;
}

// One table of the problem file: the check that it holds only the keys it may, and its values,
// each with the position of the value in the file for the error reports.
class table_reader {
public:
    table_reader(const std::string& file, const toml::table& table, std::string where)
        : file_(file), table_(table), where_(std::move(where)) {}

    [[noreturn]] void fail(const toml::node& node, const std::string& what) const {
        throw sheet::failure(place_in(file_, node.source()) + what);
    }

    // Fails at the table itself, the message following its name.
    [[noreturn]] void fail_here(const std::string& what) const {
        throw sheet::failure(place_in(file_, table_.source()) + where_ + " " + what);
    }

    const toml::node* find(std::string_view key) { return table_.get(key); }

    const toml::node& need(std::string_view key) {
        const toml::node* node = find(key);
        if (node == nullptr)
            throw sheet::failure(place_in(file_, table_.source()) + where_ + " lacks the key '" +
                                 std::string(key) + "'");
        return *node;
    }

    double real(const toml::node& node, std::string_view key) const {
        const std::optional<double> value = node.is_number() ? node.value<double>() : std::nullopt;
        if (!value) fail(node, quoted(key) + " must be a number");
        if (!std::isfinite(*value)) fail(node, quoted(key) + " must be finite");
        return *value;
    }
    double real(std::string_view key) { return real(need(key), key); }
    std::optional<double> optional_real(std::string_view key) {
        const toml::node* node = find(key);
        if (node == nullptr) return std::nullopt;
        return real(*node, key);
    }
    double positive(std::string_view key) {
        const toml::node& node = need(key);
        const double value = real(node, key);
        if (!(value > 0.0)) fail(node, quoted(key) + " must be above 0");
        return value;
    }

    std::int32_t integer(std::string_view key, std::int32_t otherwise) {
        const toml::node* node = find(key);
        if (node == nullptr) return otherwise;
        if (!node->is_integer()) fail(*node, quoted(key) + " must be an integer");
        const std::int64_t value = node->value<std::int64_t>().value_or(0);
        if (value < INT32_MIN || value > INT32_MAX)
            fail(*node, quoted(key) + " must fit in 32 bits");
        return static_cast<std::int32_t>(value);
    }

    std::string text(const toml::node& node, std::string_view key) const {
        if (!node.is_string()) fail(node, quoted(key) + " must be a string");
        return std::string(*node.value<std::string_view>());
    }
    std::string text(std::string_view key) { return text(need(key), key); }

    std::array<double, 3> vector(const toml::node& node, std::string_view key) const {
        const toml::array* values = node.as_array();
        if (values == nullptr || values->size() != 3)
            fail(node, quoted(key) + " must be an array of three numbers [x, y, z]");
        std::array<double, 3> out{};
        for (std::size_t i = 0; i < 3; ++i) out[i] = real((*values)[i], key);
        return out;
    }

    // Fails on the first key that is not one of keys: a misspelt key is never passed over.
    void only(const std::vector<std::string_view>& keys) const {
        for (const auto& [key, node] : table_) {
            bool known = false;
            for (const std::string_view name : keys) known = known || key.str() == name;
            if (!known)
                throw sheet::failure(place_in(file_, key.source()) + "unknown key '" +
                                     std::string(key.str()) + "' in " + where_ + " (it takes " +
                                     joined(keys) + ")");
        }
    }

private:
    const std::string& file_;
    const toml::table& table_;
    std::string where_;
};

}  // namespace sheetprep
