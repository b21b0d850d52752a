// The step files and the .pvd collection that names them.
#include "sheet/output/series.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "sheet/failure.hpp"
#include "sheet/output/text_file.hpp"
#include "sheet/output/vtu.hpp"

namespace sheet {

namespace {

std::string stem(const std::string& vtu) {
    const std::string suffix = ".vtu";
    if (vtu.size() > suffix.size() && vtu.ends_with(suffix))
        return vtu.substr(0, vtu.size() - suffix.size());
    return vtu;
}

// text with the characters that XML gives a meaning in an attribute written as entities.
std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string shortest(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

}  // namespace

std::string step_file_name(const std::string& vtu, std::int32_t k) {
    char number[16];
    std::snprintf(number, sizeof number, "-%04d.vtu", static_cast<int>(k));
    return stem(vtu) + number;
}

std::string collection_name(const std::string& vtu) {
    return stem(vtu) + ".pvd";
}

void series::add(const model& m, const vtu_header& header, const std::vector<field_value>& extra) {
    if (factors_.empty()) remove_earlier_series(vtu_);
    factors_.push_back(m.results.load.factor);
    const auto steps = static_cast<std::int32_t>(factors_.size());
    sheet::vtu(step_file_name(vtu_, steps), m, header, extra);

    // The steps' files lie beside the collection, which names them by their own names.
    text_file out(collection_name(vtu_));
    out.put("<?xml version=\"1.0\"?>\n");
    out.put("<VTKFile type=\"Collection\" version=\"0.1\" byte_order=\"LittleEndian\">\n");
    out.put("  <Collection>\n");
    for (std::int32_t k = 1; k <= steps; ++k) {
        const std::string file = std::filesystem::path(step_file_name(vtu_, k)).filename().string();
        out.put("    <DataSet timestep=\"" + shortest(factors_[static_cast<std::size_t>(k - 1)]) +
                "\" group=\"\" part=\"0\" file=\"" + escaped(file) + "\"/>\n");
    }
    out.put("  </Collection>\n");
    out.put("</VTKFile>\n");
    out.commit();
}

void remove_earlier_series(const std::string& vtu) {
    namespace fs = std::filesystem;
    const fs::path stem_path(stem(vtu));
    const std::string prefix = stem_path.filename().string() + "-";
    const std::string suffix = ".vtu";
    const auto is_step_file = [&](const std::string& name) {
        if (name.size() < prefix.size() + 4 + suffix.size() || !name.starts_with(prefix) ||
            !name.ends_with(suffix))
            return false;
        const std::string_view digits = std::string_view(name).substr(
            prefix.size(), name.size() - prefix.size() - suffix.size());
        return std::all_of(digits.begin(), digits.end(),
                           [](char c) { return c >= '0' && c <= '9'; });
    };
    const fs::path directory = stem_path.has_parent_path() ? stem_path.parent_path() : ".";
    std::vector<fs::path> earlier;
    std::error_code error;
    for (fs::directory_iterator entry(directory, error), end; !error && entry != end;
         entry.increment(error))
        if (is_step_file(entry->path().filename().string())) earlier.push_back(entry->path());
    if (error) throw failure("cannot remove the earlier series of " + vtu + ": " + error.message());
    earlier.emplace_back(collection_name(vtu));
    for (const fs::path& file : earlier) {
        if (fs::symlink_status(file, error).type() != fs::file_type::regular) continue;
        if (!fs::remove(file, error) && error)
            throw failure("cannot remove " + file.string() + ": " + error.message());
    }
}

}  // namespace sheet
