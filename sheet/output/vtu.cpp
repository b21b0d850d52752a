// The .vtu writer: an XML head that lists every data array with its offset into the appended
// block, then the arrays themselves, each a UInt64 byte count followed by its raw values.
#include "sheet/output/vtu.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>

#include "sheet/failure.hpp"
#include "sheet/output/text_file.hpp"

namespace sheet {

static_assert(std::endian::native == std::endian::little,
              "the appended data is written as the machine holds it, declared LittleEndian");

namespace {

// One data array: where it belongs, how it is declared, and how its values are written.
struct data_array {
    enum class part { field, point, cell, points, cells } where;
    const char* type;  // VTK type name
    const char* name;
    int components;
    std::size_t tuples;
    std::size_t value_size;
    std::function<void(text_file&)> write;

    std::uint64_t bytes() const { return tuples * components * value_size; }
};

// Writes count values value(0), value(1), ... of type T, gathered in blocks so that the file is
// fed in pieces of some kilobytes.
template <class T, class Value>
void put_values(text_file& out, std::size_t count, Value&& value) {
    constexpr std::size_t block = 1024;
    T values[block];
    for (std::size_t at = 0; at < count; at += block) {
        const std::size_t n = std::min(block, count - at);
        for (std::size_t k = 0; k < n; ++k) values[k] = value(at + k);
        out.put_bytes(values, n * sizeof(T));
    }
}

// von Mises stress of plane stress from the two principal stresses.
double von_mises(const principal_stresses& s) {
    return std::sqrt(s.sigma1 * s.sigma1 - s.sigma1 * s.sigma2 + s.sigma2 * s.sigma2);
}

// Component k of a per-node array of three: node k / 3 + 1, direction k % 3 + 1.
std::int32_t node_of(std::size_t k) {
    return static_cast<std::int32_t>(k / 3) + 1;
}
std::int32_t direction_of(std::size_t k) {
    return static_cast<std::int32_t>(k % 3) + 1;
}

// The arrays in the order of the file. Their writers refer to m, which outlives them.
std::vector<data_array> arrays_of(const model& m) {
    using part = data_array::part;
    const mesh& mesh = m.problem.mesh;
    const results& r = m.results;
    const auto nodes = static_cast<std::size_t>(mesh.node_count);
    const std::size_t elements = mesh.elements.size();
    const std::int32_t first = mesh.elements.first();
    const auto per_node = [&m, nodes](auto value) {
        return [&m, nodes, value](text_file& out) {
            put_values<decltype(value(m, 1, 1))>(out, 3 * nodes, [&](std::size_t k) {
                return value(m, node_of(k), direction_of(k));
            });
        };
    };
    const auto per_element = [&r](auto value) {
        return [&r, value](text_file& out) {
            put_values<double>(out, r.rows.size(),
                               [&](std::size_t at) { return value(r.rows[at]); });
        };
    };
    return {
        {part::field, "Int32", "iterations", 1, 1, 4,
         [&r](text_file& out) { out.put_bytes(&r.minor, sizeof r.minor); }},
        {part::field, "Float64", "energy", 1, 1, 8,
         [&r](text_file& out) { out.put_bytes(&r.energy, sizeof r.energy); }},
        {part::field, "Int32", "optimal", 1, 1, 4,
         [&r](text_file& out) {
             const std::int32_t optimal = r.optimal ? 1 : 0;
             out.put_bytes(&optimal, sizeof optimal);
         }},
        {part::point, "Float64", "displacement", 3, nodes, 8,
         per_node(
             [](const model& m, std::int32_t i, std::int32_t j) { return displacement(m, i, j); })},
        {part::point, "Float64", "load", 3, nodes, 8,
         per_node([](const model& m, std::int32_t i, std::int32_t j) {
             return applied_loads(m)(i, j);
         })},
        {part::point, "Float64", "reaction", 3, nodes, 8,
         per_node([](const model& m, std::int32_t i, std::int32_t j) {
             return is_prescribed(m, i, j) ? m.results.reactions(i, j) : 0.0;
         })},
        {part::point, "UInt8", "fixed", 3, nodes, 1,
         per_node([](const model& m, std::int32_t i, std::int32_t j) {
             return static_cast<std::uint8_t>(is_prescribed(m, i, j) ? 1 : 0);
         })},
        {part::cell, "Int32", "element", 1, elements, 4,
         [elements, first](text_file& out) {
             put_values<std::int32_t>(out, elements, [&](std::size_t at) {
                 return first + static_cast<std::int32_t>(at);
             });
         }},
        {part::cell, "Float64", "sigma1", 1, elements, 8,
         per_element([](const element_row& row) { return row.stress.sigma1; })},
        {part::cell, "Float64", "sigma2", 1, elements, 8,
         per_element([](const element_row& row) { return row.stress.sigma2; })},
        {part::cell, "Float64", "von_mises", 1, elements, 8,
         per_element([](const element_row& row) { return von_mises(row.stress); })},
        {part::cell, "Float64", "thickness", 1, elements, 8,
         per_element([](const element_row& row) { return row.thickness; })},
        {part::points, "Float64", "Points", 3, nodes, 8,
         per_node([](const model& m, std::int32_t i, std::int32_t j) {
             const sheet::mesh& mesh = m.problem.mesh;
             return j == 1 ? mesh.node_x(i) : j == 2 ? mesh.node_y(i) : mesh.node_z(i);
         })},
        {part::cells, "Int64", "connectivity", 1, 3 * elements, 8,
         [&mesh, elements, first](text_file& out) {
             put_values<std::int64_t>(out, 3 * elements, [&](std::size_t k) {
                 const triangle& e = mesh.elements(first + static_cast<std::int32_t>(k / 3));
                 return std::int64_t{e.node[k % 3]} - 1;
             });
         }},
        {part::cells, "Int64", "offsets", 1, elements, 8,
         [elements](text_file& out) {
             put_values<std::int64_t>(out, elements, [](std::size_t at) {
                 return static_cast<std::int64_t>(3 * (at + 1));
             });
         }},
        {part::cells, "UInt8", "types", 1, elements, 1,
         [elements](text_file& out) {
             constexpr std::uint8_t triangle = 5;  // VTK_TRIANGLE
             put_values<std::uint8_t>(out, elements, [](std::size_t) { return triangle; });
         }},
    };
}

const char* tag_of(data_array::part p) {
    switch (p) {
        case data_array::part::field:
            return "FieldData";
        case data_array::part::point:
            return "PointData";
        case data_array::part::cell:
            return "CellData";
        case data_array::part::points:
            return "Points";
        case data_array::part::cells:
            return "Cells";
    }
    return "";
}

// The XML head up to the start of the appended data; each array is declared with the offset of
// its byte count in the appended block. The arrays are appended in the reverse of their listed
// order: a reader that renumbers the offsets one array at a time, looking each up by its old
// offset in document order (meshio does), then never meets a renumbered one first.
void head(text_file& out, const mesh& m, const std::vector<data_array>& arrays) {
    out.put("<?xml version=\"1.0\"?>\n");
    out.put(
        "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\" "
        "header_type=\"UInt64\">\n");
    out.put("  <UnstructuredGrid>\n");
    std::uint64_t offset = 0;
    for (const data_array& d : arrays) offset += sizeof(std::uint64_t) + d.bytes();
    for (std::size_t a = 0; a < arrays.size(); ++a) {
        const data_array& d = arrays[a];
        const bool opens = a == 0 || arrays[a - 1].where != d.where;
        const bool closes = a + 1 == arrays.size() || arrays[a + 1].where != d.where;
        const bool field = d.where == data_array::part::field;
        const std::string indent(field ? 4 : 6, ' ');
        if (opens) {
            if (d.where == data_array::part::point)
                out.put("    <Piece NumberOfPoints=\"" + std::to_string(m.node_count) +
                        "\" NumberOfCells=\"" + std::to_string(m.elements.size()) + "\">\n");
            out.put(indent + "<" + tag_of(d.where) + ">\n");
        }
        out.put(indent + "  <DataArray type=\"" + d.type + "\" Name=\"" + d.name + "\"");
        if (field)
            out.put(" NumberOfTuples=\"1\"");
        else if (d.components > 1)
            out.put(" NumberOfComponents=\"" + std::to_string(d.components) + "\"");
        offset -= sizeof(std::uint64_t) + d.bytes();
        out.put(" format=\"appended\" offset=\"" + std::to_string(offset) + "\"/>\n");
        if (closes) out.put(indent + "</" + tag_of(d.where) + ">\n");
    }
    out.put("    </Piece>\n");
    out.put("  </UnstructuredGrid>\n");
    out.put("  <AppendedData encoding=\"raw\">\n   _");
}

}  // namespace

void vtu(const std::string& name, const model& m, const std::vector<field_value>& extra) {
    // The declared sizes come from the mesh; the values written must match them.
    if (m.results.rows.size() != m.problem.mesh.elements.size())
        throw failure("cannot create " + name + ": the results do not match the mesh");
    std::vector<data_array> arrays = arrays_of(m);
    auto after_fields = std::find_if(arrays.begin(), arrays.end(), [](const data_array& d) {
        return d.where != data_array::part::field;
    });
    for (const field_value& v : extra)
        after_fields =
            1 + arrays.insert(after_fields,
                              {data_array::part::field, "Float64", v.name.c_str(), 1, 1, 8,
                               [&v](text_file& out) { out.put_bytes(&v.value, sizeof v.value); }});
    text_file out(name);
    head(out, m.problem.mesh, arrays);
    for (auto d = arrays.rbegin(); d != arrays.rend(); ++d) {
        const std::uint64_t bytes = d->bytes();
        out.put_bytes(&bytes, sizeof bytes);
        d->write(out);
    }
    // Readers look for the end of the raw block at the last line break before the closing tag.
    out.put("\n  </AppendedData>\n</VTKFile>\n");
    out.commit();
}

}  // namespace sheet
