#include "sheetprep/case_text.hpp"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace sheetprep {

namespace {

// A stretch of the text [begin, end) and what takes its place.
struct text_edit {
    std::size_t begin;
    std::size_t end;
    std::string text;
};

// The text with the edits made; nothing when two overlap or one lies outside it.
std::optional<std::string> edited(std::string_view text, std::vector<text_edit> edits) {
    std::sort(edits.begin(), edits.end(),
              [](const text_edit& a, const text_edit& b) { return a.begin < b.begin; });
    std::string out;
    std::size_t from = 0;
    for (const text_edit& e : edits) {
        if (e.begin < from || e.end < e.begin || e.end > text.size()) return std::nullopt;
        out.append(text.substr(from, e.begin - from));
        out += e.text;
        from = e.end;
    }
    out.append(text.substr(from));
    return out;
}

// text as a TOML basic string.
std::string toml_string(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Puts a copy of value where path leads in document.
void assign(toml::table& document, const std::vector<path_step>& path, const toml::node& value) {
    toml::node* parent = &document;
    for (std::size_t k = 0; k + 1 < path.size(); ++k) parent = step_into(*parent, path[k]);
    value.visit([&](const auto& v) {
        if (const std::string* key = std::get_if<std::string>(&path.back()))
            parent->as_table()->insert_or_assign(*key, v);
        else
            parent->as_array()->replace(
                parent->as_array()->cbegin() +
                    static_cast<std::ptrdiff_t>(std::get<std::size_t>(path.back())),
                v);
    });
}

}  // namespace

std::optional<std::pair<std::size_t, std::size_t>> sweep_stretch(const toml::table& document,
                                                                 const toml::table& sweep,
                                                                 const text_offsets& offsets) {
    std::size_t begin = offsets.offset(sweep.source().begin);
    std::size_t end = offsets.offset(sweep.source().end);
    for (auto&& [key, value] : document)
        if (key.str() == "sweep") begin = std::min(begin, offsets.offset(key.source().begin));
    for (auto&& [key, value] : sweep) {
        begin = std::min(begin, offsets.offset(key.source().begin));
        const std::size_t value_end = offsets.offset(value.source().end);
        if (value_end == std::string::npos) return std::nullopt;
        end = end == std::string::npos ? value_end : std::max(end, value_end);
    }
    if (begin == std::string::npos || end == std::string::npos || end < begin) return std::nullopt;
    const std::string_view text = offsets.text();
    const std::size_t line_begin = text.rfind('\n', begin == 0 ? 0 : begin - 1);
    const std::size_t first = line_begin == std::string::npos || begin == 0 ? 0 : line_begin + 1;
    if (text.substr(first, begin - first).find_first_not_of(" \t") == std::string::npos)
        begin = first;
    std::size_t after = end;
    while (after < text.size() &&
           (text[after] == ' ' || text[after] == '\t' || text[after] == '\r'))
        ++after;
    if (after == text.size() || text[after] == '\n' || text[after] == '#')
        end = std::min(text.size(), text.find('\n', after) == std::string::npos
                                        ? text.size()
                                        : text.find('\n', after) + 1);
    return std::make_pair(begin, end);
}

std::string case_text(const text_offsets& offsets, const toml::table& document,
                      const sweep_plan& plan, const std::vector<std::size_t>& picks,
                      const std::optional<std::pair<std::size_t, std::size_t>>& stretch,
                      const std::string& mesh_name) {
    toml::table intended = document;
    intended.erase("sweep");
    std::vector<text_edit> edits;
    if (stretch) edits.push_back({stretch->first, stretch->second, ""});
    bool mesh_swept = false;
    const auto region = [&](const toml::node& node) {
        return std::make_pair(offsets.offset(node.source().begin),
                              offsets.offset(node.source().end));
    };
    for (std::size_t j = 0; j < plan.keys.size(); ++j) {
        const swept_key& key = plan.keys[j];
        const toml::node& value = *key.values[picks[j]];
        const bool mesh = key.path.size() == 1 && std::get<std::string>(key.path[0]) == "mesh";
        mesh_swept = mesh_swept || mesh;
        if (!mesh) assign(intended, key.path, value);
        const auto [begin, end] = region(*key.base);
        const auto [from, to] = region(value);
        if (mesh)
            edits.push_back({begin, end, toml_string(mesh_name)});
        else if (from != std::string::npos && to != std::string::npos && from <= to)
            edits.push_back({begin, end, std::string(offsets.text().substr(from, to - from))});
        else
            edits.push_back({begin, end, ""});  // no text to copy: the reading back refuses it
    }
    intended.insert_or_assign("mesh", mesh_name);
    if (!mesh_swept) {
        const auto [begin, end] = region(*document.get("mesh"));
        edits.push_back({begin, end, toml_string(mesh_name)});
    }
    const std::optional<std::string> text =
        stretch ? edited(offsets.text(), std::move(edits)) : std::nullopt;
    if (text) {
        try {
            if (toml::parse(*text) == intended) return *text;
        } catch (const toml::parse_error&) {
        }
    }
    std::ostringstream out;
    out << intended << '\n';
    return out.str();
}

}  // namespace sheetprep
