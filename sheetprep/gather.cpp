// Reading each case's files into a row: how the run ended from its exit status and what it
// printed, its figures from the .vtu in full precision (or from the report's rounded tables when
// the run wrote no .vtu).
#include "sheetprep/gather.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <type_traits>

#include "sheet/failure.hpp"
#include "sheet/output/text_file.hpp"
#include "sheetprep/real_text.hpp"
#include "sheetprep/sweep.hpp"
#include "sheetprep/vtu_reader.hpp"

namespace sheetprep {

namespace {

namespace fs = std::filesystem;

// The text of a file, or nothing when it cannot be read.
std::optional<std::string> text_of(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return std::move(text).str();
}

// The last line of text that holds more than blanks, without its line end.
std::string last_line(const std::string& text) {
    std::size_t end = text.find_last_not_of(" \t\r\n");
    if (end == std::string::npos) return "";
    const std::size_t begin = text.rfind('\n', end);
    return text.substr(begin == std::string::npos ? 0 : begin + 1,
                       end + 1 - (begin == std::string::npos ? 0 : begin + 1));
}

std::optional<std::int64_t> whole_of(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.remove_suffix(1);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

struct case_row {
    std::string status;
    std::string message;
    std::optional<std::int64_t> iterations;
    std::optional<double> energy;
    std::optional<double> max_displacement;
    std::optional<std::int64_t> max_displacement_node;
    std::optional<double> max_sigma1;
    std::optional<double> max_stretch;
    std::optional<std::int64_t> inverted;
    std::vector<std::pair<std::string, std::string>> fields;  // name, value as written
};

// The field data that are not columns of their own already.
bool own_column(const std::string& name) {
    return name == "iterations" || name == "energy" || name == "optimal" || name == "status";
}

void add_fields(const std::vector<vtu_array>& field, case_row& row) {
    for (const vtu_array& a : field) {
        if (own_column(a.name) || a.values.size() != 1) continue;
        if (a.type != "Float64" && a.type != "Int32") continue;
        bool known = false;
        for (const auto& [name, value] : row.fields) known = known || name == a.name;
        if (known) continue;
        row.fields.emplace_back(a.name, a.type == "Int32"
                                            ? std::to_string(static_cast<std::int64_t>(a.values[0]))
                                            : real_text(a.values[0]));
    }
}

// The largest length of a node's displacement and that node (from 1), the first of equals.
void largest_displacement(const std::vector<double>& xyz, case_row& row) {
    double largest = -1.0;
    std::int64_t node = 0;
    for (std::size_t k = 0; k + 2 < xyz.size(); k += 3) {
        const double length =
            std::sqrt(xyz[k] * xyz[k] + xyz[k + 1] * xyz[k + 1] + xyz[k + 2] * xyz[k + 2]);
        if (length > largest) {
            largest = length;
            node = static_cast<std::int64_t>(k / 3) + 1;
        }
    }
    if (node > 0) {
        row.max_displacement = largest;
        row.max_displacement_node = node;
    }
}

std::optional<double> largest(const vtu_array* array) {
    std::optional<double> out;
    if (array == nullptr) return out;
    for (const double v : array->values)
        if (!out || v > *out) out = v;
    return out;
}

void read_results_vtu(const fs::path& folder, case_row& row) {
    const vtu_content result = read_vtu((folder / "result.vtu").string());
    const auto one = [&result](const char* name) -> std::optional<double> {
        const vtu_array* a = find_array(result.field, name);
        return a != nullptr && a->values.size() == 1 ? std::optional(a->values[0]) : std::nullopt;
    };
    if (const auto minor = one("iterations")) row.iterations = static_cast<std::int64_t>(*minor);
    row.energy = one("energy");
    if (const vtu_array* u = find_array(result.point, "displacement"); u && u->components == 3)
        largest_displacement(u->values, row);
    row.max_sigma1 = largest(find_array(result.cell, "sigma1"));
    row.max_stretch = largest(find_array(result.cell, "stretch"));
    if (const vtu_array* ratio = find_array(result.cell, "area_ratio")) {
        std::int64_t inverted = 0;
        for (const double r : ratio->values) inverted += r <= 0.0 ? 1 : 0;
        row.inverted = inverted;
    }
    add_fields(result.field, row);
    // A run in load steps: the last step's file carries the step's own field data.
    if (const auto series = text_of(folder / "result.pvd")) {
        const std::size_t at = series->rfind("file=\"");
        const std::size_t end = at == std::string::npos ? at : series->find('"', at + 6);
        if (end != std::string::npos) {
            const std::string name = series->substr(at + 6, end - at - 6);
            if (name.find('/') == std::string::npos)
                add_fields(read_vtu((folder / name).string()).field, row);
        }
    }
}

// The report's figures, rounded as it prints them: the run's header box, the node table and
// the element table's Max/Min line.
void read_report(const std::string& report, case_row& row) {
    std::istringstream lines(report);
    std::string line;
    enum { head, nodes, rest } part = head;
    std::vector<double> xyz;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        if (part == head) {
            const std::size_t bar = line.rfind('|', line.size() - 2);
            if (line.starts_with("| Minor Iterations") && bar != std::string::npos)
                row.iterations = whole_of(line.substr(bar + 1, line.size() - bar - 2));
            if (line.starts_with("| Total Potential Energy") && bar != std::string::npos)
                row.energy = std::strtod(line.c_str() + bar + 1, nullptr);
            if (line.starts_with(" Node ")) part = nodes;
        } else if (part == nodes) {
            std::int64_t node = 0;
            double u[3];
            if (line.starts_with("---")) continue;
            if (!(words >> node >> u[0] >> u[1] >> u[2])) {
                part = rest;
                continue;
            }
            xyz.insert(xyz.end(), u, u + 3);
        } else if (line.starts_with("Max/Min")) {
            std::string label;
            double sigma1 = 0.0;
            if (words >> label >> sigma1) row.max_sigma1 = sigma1;
        }
    }
    largest_displacement(xyz, row);
}

case_row read_case(const fs::path& folder) {
    case_row row;
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        row.status = "missing";
        row.message = "no directory " + folder.filename().string();
        return row;
    }
    const std::optional<std::string> status = text_of(folder / "status.txt");
    if (!status) {
        row.status = "not run";
        return row;
    }
    if (status->starts_with("running")) {
        row.status = "running";
        return row;
    }
    const std::optional<std::int64_t> exit = whole_of(*status);
    if (!exit) {
        row.status = "failed";
        row.message = "status.txt holds no exit status";
        return row;
    }
    if (*exit != 0) {
        row.status = "failed";
        row.message = last_line(text_of(folder / "stderr.txt").value_or(""));
        if (row.message.empty())
            row.message = *exit > 128 ? "ended by signal " + std::to_string(*exit - 128)
                                      : "exit status " + std::to_string(*exit);
        return row;
    }
    const std::string summary = last_line(text_of(folder / "stdout.txt").value_or(""));
    if (summary.ends_with("NOT Optimal")) {
        row.status = "NOT Optimal";
    } else if (summary.ends_with("Optimal")) {
        row.status = "Optimal";
    } else {
        row.status = "failed";
        row.message = "exit status 0 without a summary line on standard output";
        return row;
    }
    if (fs::exists(folder / "result.vtu", error)) {
        try {
            read_results_vtu(folder, row);
            return row;
        } catch (const sheet::failure& failure) {
            const std::string status = row.status;
            row = case_row{};
            row.status = status;
            row.message = failure.what();
        }
    }
    if (const auto report = text_of(folder / "output.txt"))
        read_report(*report, row);
    else if (row.message.empty())
        row.message = "neither result.vtu nor output.txt is there";
    return row;
}

template <class T>
std::string cell(const std::optional<T>& value) {
    if (!value) return "";
    if constexpr (std::is_same_v<T, double>)
        return real_text(*value);
    else
        return std::to_string(*value);
}

// The manifest's rows after its header, checked: each names a case directory inside the sweep.
std::vector<std::vector<std::string>> read_manifest(const fs::path& dir, const std::string& shown) {
    const fs::path file = dir / "manifest.csv";
    const std::optional<std::string> text = text_of(file);
    if (!text)
        throw sheet::failure("cannot read " + (fs::path(shown) / "manifest.csv").string() +
                             ": is it a sweep that sheetprep --sweep prepared? (" +
                             std::strerror(errno) + ")");
    std::vector<std::vector<std::string>> rows;
    try {
        rows = read_csv(*text);
    } catch (const sheet::failure& failure) {
        throw sheet::failure((fs::path(shown) / "manifest.csv").string() + ": " + failure.what());
    }
    const auto fail = [&shown](std::size_t line, const std::string& what) {
        throw sheet::failure((fs::path(shown) / "manifest.csv").string() + ":" +
                             std::to_string(line) + ": " + what);
    };
    if (rows.empty() || rows[0].size() < 3 || rows[0][0] != "case" || rows[0][1] != "directory" ||
        rows[0][2] != "program")
        fail(1, "the header is not case,directory,program,...");
    for (std::size_t r = 1; r < rows.size(); ++r) {
        if (rows[r].size() != rows[0].size())
            fail(r + 1, "has " + std::to_string(rows[r].size()) + " fields where the header has " +
                            std::to_string(rows[0].size()));
        const std::string& folder = rows[r][1];
        if (folder.empty() || folder == "." || folder == ".." ||
            folder.find('/') != std::string::npos)
            fail(r + 1, "the directory '" + folder + "' is not a case's directory in the sweep");
    }
    return rows;
}

}  // namespace

std::vector<std::vector<std::string>> read_csv(std::string_view text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    bool any = false;  // the row holds something, if only an empty field before a comma
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char c = text[k];
        if (quoted) {
            if (c != '"')
                field += c;
            else if (k + 1 < text.size() && text[k + 1] == '"')
                field += '"', ++k;
            else
                quoted = false;
        } else if (c == '"') {
            quoted = true;
            any = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
            any = true;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && k + 1 < text.size() && text[k + 1] == '\n') ++k;
            if (any || !field.empty()) row.push_back(std::move(field));
            if (!row.empty()) rows.push_back(std::move(row));
            row.clear();
            field.clear();
            any = false;
        } else {
            field += c;
        }
    }
    if (quoted) throw sheet::failure("a quoted field is not closed");
    if (any || !field.empty()) row.push_back(std::move(field));
    if (!row.empty()) rows.push_back(std::move(row));
    return rows;
}

gather_summary gather_sweep(const std::string& dir, const std::string& file) {
    const std::vector<std::vector<std::string>> manifest = read_manifest(dir, dir);
    const std::vector<std::string>& header = manifest[0];
    std::vector<case_row> rows;
    gather_summary summary;
    std::vector<std::string> field_names;
    for (std::size_t r = 1; r < manifest.size(); ++r) {
        rows.push_back(read_case(fs::path(dir) / manifest[r][1]));
        const case_row& row = rows.back();
        ++summary.cases;
        summary.optimal += row.status == "Optimal" ? 1 : 0;
        summary.not_optimal += row.status == "NOT Optimal" ? 1 : 0;
        summary.failed += row.status == "failed" ? 1 : 0;
        summary.running += row.status == "running" ? 1 : 0;
        summary.not_run += row.status == "not run" || row.status == "missing" ? 1 : 0;
        for (const auto& [name, value] : row.fields)
            if (std::find(field_names.begin(), field_names.end(), name) == field_names.end())
                field_names.push_back(name);
    }

    std::string out = "case,directory";
    for (std::size_t c = 3; c < header.size(); ++c) out += "," + csv_field(header[c]);
    out +=
        ",status,message,iterations,energy,max_displacement,max_displacement_node,max_sigma1,"
        "max_stretch,inverted";
    for (const std::string& name : field_names) out += "," + csv_field(name);
    out += '\n';
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::vector<std::string>& listed = manifest[r + 1];
        const case_row& row = rows[r];
        out += csv_field(listed[0]) + "," + csv_field(listed[1]);
        for (std::size_t c = 3; c < listed.size(); ++c) out += "," + csv_field(listed[c]);
        out += "," + row.status + "," + csv_field(row.message) + "," + cell(row.iterations) + "," +
               cell(row.energy) + "," + cell(row.max_displacement) + "," +
               cell(row.max_displacement_node) + "," + cell(row.max_sigma1) + "," +
               cell(row.max_stretch) + "," + cell(row.inverted);
        for (const std::string& name : field_names) {
            std::string value;
            for (const auto& [field, text] : row.fields)
                if (field == name) value = text;
            out += "," + value;
        }
        out += '\n';
    }
    sheet::text_file table(file);
    table.put(out);
    table.commit();
    return summary;
}

}  // namespace sheetprep
