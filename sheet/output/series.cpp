// The step files and the .pvd collection that names them.
#include "sheet/output/series.hpp"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "sheet/model/loading.hpp"
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

void write_series_step(const std::string& vtu, const model& m, const vtu_header& header,
                       const std::vector<field_value>& extra) {
    const load_state& step = m.results.load;
    sheet::vtu(step_file_name(vtu, step.number), m, header, extra);

    // The steps' files lie beside the collection, which names them by their own names.
    text_file out(collection_name(vtu));
    out.put("<?xml version=\"1.0\"?>\n");
    out.put("<VTKFile type=\"Collection\" version=\"0.1\" byte_order=\"LittleEndian\">\n");
    out.put("  <Collection>\n");
    for (std::int32_t k = 1; k <= step.number; ++k) {
        const std::string file = std::filesystem::path(step_file_name(vtu, k)).filename().string();
        out.put("    <DataSet timestep=\"" + shortest(load_factor(k, step.count)) +
                "\" group=\"\" part=\"0\" file=\"" + escaped(file) + "\"/>\n");
    }
    out.put("  </Collection>\n");
    out.put("</VTKFile>\n");
    out.commit();
}

}  // namespace sheet
