// The head of the .vtu is read tag by tag for the arrays it declares and where their bytes lie
// in the appended block; every size is checked against the file before a byte is taken.
#include "sheetprep/vtu_reader.hpp"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>

#include "sheet/failure.hpp"

namespace sheetprep {

namespace {

// The value of attribute name in the text of one tag, or nothing.
std::optional<std::string_view> attribute(std::string_view tag, std::string_view name) {
    for (std::size_t from = 0;;) {
        const std::size_t at = tag.find(name, from);
        if (at == std::string_view::npos) return std::nullopt;
        from = at + name.size();
        const bool starts = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\n');
        if (!starts || tag.substr(from, 2) != "=\"") continue;
        const std::size_t end = tag.find('"', from + 2);
        if (end == std::string_view::npos) return std::nullopt;
        return tag.substr(from + 2, end - from - 2);
    }
}

std::optional<std::uint64_t> count_of(std::optional<std::string_view> text) {
    std::uint64_t value = 0;
    if (!text) return std::nullopt;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
    return value;
}

std::size_t size_of(std::string_view type) {
    if (type == "Float64" || type == "Int64" || type == "UInt64") return 8;
    if (type == "Int32" || type == "UInt32" || type == "Float32") return 4;
    if (type == "UInt8" || type == "Int8") return 1;
    return 0;
}

template <class T>
double value_at(const char* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return static_cast<double>(value);
}

double decode(std::string_view type, const char* bytes) {
    if (type == "Float64") return value_at<double>(bytes);
    if (type == "Float32") return value_at<float>(bytes);
    if (type == "Int64") return value_at<std::int64_t>(bytes);
    if (type == "UInt64") return value_at<std::uint64_t>(bytes);
    if (type == "Int32") return value_at<std::int32_t>(bytes);
    if (type == "UInt32") return value_at<std::uint32_t>(bytes);
    if (type == "Int8") return value_at<std::int8_t>(bytes);
    return value_at<std::uint8_t>(bytes);
}

}  // namespace

const vtu_array* find_array(const std::vector<vtu_array>& arrays, const std::string& name) {
    for (const vtu_array& a : arrays)
        if (a.name == name) return &a;
    return nullptr;
}

vtu_content read_vtu(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw sheet::failure("cannot open " + file + ": " + std::strerror(errno));
    std::ostringstream whole;
    whole << in.rdbuf();
    const std::string bytes = std::move(whole).str();
    const auto fail = [&file](const std::string& what) {
        throw sheet::failure(file + ": " + what);
    };

    const std::string_view text(bytes);
    const std::string_view opening = "<AppendedData encoding=\"raw\">";
    const std::size_t appended = text.find(opening);
    if (text.find("<VTKFile type=\"UnstructuredGrid\"") == std::string_view::npos ||
        text.find("header_type=\"UInt64\"") == std::string_view::npos ||
        appended == std::string_view::npos)
        fail("not a VTK unstructured grid with raw appended data");
    const std::size_t underscore = text.find('_', appended + opening.size());
    if (underscore == std::string_view::npos) fail("its appended data has no start ('_')");
    const std::size_t base = underscore + 1;

    vtu_content out;
    std::vector<vtu_array>* section = nullptr;
    std::uint64_t points = 0, cells = 0;
    for (std::size_t at = text.find('<'); at < appended; at = text.find('<', at + 1)) {
        if (text.substr(at, 4) == "<!--") {  // a comment may hold any text but its end
            at = text.find("-->", at);
            if (at == std::string_view::npos || at > appended) fail("a comment is not closed");
            continue;
        }
        const std::size_t close = text.find('>', at);
        if (close == std::string_view::npos || close > appended) fail("a tag is not closed");
        const std::string_view tag = text.substr(at + 1, close - at - 1);
        const std::string_view name = tag.substr(0, tag.find_first_of(" \n/>"));
        if (name == "Piece") {
            const auto p = count_of(attribute(tag, "NumberOfPoints"));
            const auto c = count_of(attribute(tag, "NumberOfCells"));
            if (!p || !c) fail("its Piece does not give NumberOfPoints and NumberOfCells");
            points = *p;
            cells = *c;
        } else if (name == "FieldData" || name == "PointData" || name == "CellData") {
            section = name == "FieldData"   ? &out.field
                      : name == "PointData" ? &out.point
                                            : &out.cell;
        } else if (name == "Points" || name == "Cells" || name.starts_with("/")) {
            section = nullptr;
        } else if (name == "DataArray" && section != nullptr) {
            vtu_array array;
            const auto array_name = attribute(tag, "Name");
            const auto type = attribute(tag, "type");
            const auto offset = count_of(attribute(tag, "offset"));
            if (!array_name || !type || !offset || attribute(tag, "format") != "appended")
                fail("a DataArray lacks its Name, type or appended offset");
            array.name = std::string(*array_name);
            array.type = std::string(*type);
            const std::size_t value_size = size_of(array.type);
            if (value_size == 0) fail("array '" + array.name + "' is of an unknown type");
            const auto components = count_of(attribute(tag, "NumberOfComponents"));
            const auto given_tuples = count_of(attribute(tag, "NumberOfTuples"));
            if (components && (*components == 0 || *components > 9))
                fail("array '" + array.name + "' has a wrong number of components");
            array.components = components ? static_cast<int>(*components) : 1;
            const std::uint64_t tuples = section == &out.field   ? given_tuples.value_or(1)
                                         : section == &out.point ? points
                                                                 : cells;
            if (tuples > text.size()) fail("array '" + array.name + "' declares too many values");
            const std::uint64_t count = tuples * array.components;
            std::uint64_t declared = 0;
            if (*offset > text.size() - base || text.size() - base - *offset < sizeof declared)
                fail("array '" + array.name + "' lies beyond the end of the file");
            std::memcpy(&declared, text.data() + base + *offset, sizeof declared);
            if (declared != count * value_size)
                fail("array '" + array.name + "' holds " + std::to_string(declared) +
                     " bytes where its declaration needs " + std::to_string(count * value_size));
            const std::size_t first = base + *offset + sizeof declared;
            if (declared > text.size() - first) fail("array '" + array.name + "' is cut short");
            array.values.reserve(count);
            for (std::uint64_t k = 0; k < count; ++k)
                array.values.push_back(decode(array.type, text.data() + first + k * value_size));
            section->push_back(std::move(array));
        }
        at = close;
    }
    return out;
}

}  // namespace sheetprep
