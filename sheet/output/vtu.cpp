// The .vtu writer: an XML head with a comment naming the run and a list of every data array with
// its offset into the appended block, then the arrays themselves, each a UInt64 byte count
// followed by its raw values.
#include "sheet/output/vtu.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

#include "sheet/failure.hpp"
#include "sheet/output/finite.hpp"
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
// fed in pieces of some kilobytes. A real that is not finite fails the file instead, named by
// where(k).
template <class T, class Value, class Where>
void put_values(text_file& out, std::size_t count, Value&& value, Where&& where) {
    constexpr std::size_t block = 1024;
    T values[block];
    for (std::size_t at = 0; at < count; at += block) {
        const std::size_t n = std::min(block, count - at);
        for (std::size_t k = 0; k < n; ++k) {
            values[k] = value(at + k);
            if constexpr (std::is_floating_point_v<T>)
                if (!std::isfinite(values[k])) throw not_finite(where(at + k), values[k]);
        }
        out.put_bytes(values, n * sizeof(T));
    }
}
template <class T, class Value>
void put_values(text_file& out, std::size_t count, Value&& value) {
    static_assert(std::is_integral_v<T>, "a real needs a name for its failure");
    put_values<T>(out, count, value, [](std::size_t) { return std::string(); });
}

// von Mises stress of plane stress from the two principal stresses.
double von_mises(const principal_stresses& s) {
    return std::sqrt(s.sigma1 * s.sigma1 - s.sigma1 * s.sigma2 + s.sigma2 * s.sigma2);
}

// The tension-field indicator of the exact energy: 0 taut (sigma2 > 0), 1 wrinkled (sigma1 > 0 >=
// sigma2), 2 slack (sigma1 <= 0, or a stress that is no number).
std::uint8_t tension_state(const principal_stresses& s) {
    return s.sigma2 > 0.0 ? 0 : s.sigma1 > 0.0 ? 1 : 2;
}

// Component k of a per-node array of three: node k / 3 + 1, direction k % 3 + 1.
std::int32_t node_of(std::size_t k) {
    return static_cast<std::int32_t>(k / 3) + 1;
}
std::int32_t direction_of(std::size_t k) {
    return static_cast<std::int32_t>(k % 3) + 1;
}

// A field data array of one value.
template <class T>
data_array field(const char* name, T value) {
    static_assert(std::is_same_v<T, std::int32_t> || std::is_same_v<T, double>);
    return {data_array::part::field,
            std::is_same_v<T, double> ? "Float64" : "Int32",
            name,
            1,
            1,
            sizeof(T),
            [name, value](text_file& out) {
                put_values<T>(
                    out, 1, [value](std::size_t) { return value; },
                    [name](std::size_t) { return std::string(name); });
            }};
}

// The field data: the run's outcome, then what it was solved with.
std::vector<data_array> fields_of(const model& m, const vtu_header& h) {
    const results& r = m.results;
    std::vector<data_array> out = {
        field("iterations", r.minor),
        field("energy", r.energy),
        field("optimal", std::int32_t{r.optimal ? 1 : 0}),
        field("status", static_cast<std::int32_t>(h.status)),
        field("law", h.law.number),
    };
    for (const named_constant& c : h.law.constants) out.push_back(field(c.name, c.value));
    out.push_back(field("initial_thickness", m.problem.thickness));
    out.push_back(field("tolerance", r.tolerance));
    return out;
}

// The arrays in the order of the file. Their writers refer to m, which outlives them.
std::vector<data_array> arrays_of(const model& m, const vtu_header& h) {
    using part = data_array::part;
    const mesh& mesh = m.problem.mesh;
    const results& r = m.results;
    const auto nodes = static_cast<std::size_t>(mesh.node_count);
    const std::size_t elements = mesh.elements.size();
    const std::int32_t first = mesh.elements.first();
    // Values of each node, X, Y and Z: value(m, node, direction).
    const auto per_node = [&m, nodes](const char* name, auto value) {
        return [&m, nodes, name, value](text_file& out) {
            put_values<decltype(value(m, 1, 1))>(
                out, 3 * nodes,
                [&](std::size_t k) { return value(m, node_of(k), direction_of(k)); },
                [name](std::size_t k) {
                    return std::string(name) + " of node " + std::to_string(node_of(k)) + " in " +
                           "XYZ"[k % 3];
                });
        };
    };
    // Values of each element row, components components each: value(row, component).
    const auto per_element = [&r, first](const char* name, int components, auto value) {
        return [&r, first, name, components, value](text_file& out) {
            const auto n = static_cast<std::size_t>(components);
            put_values<decltype(value(r.rows[0], 0))>(
                out, n * r.rows.size(),
                [&](std::size_t k) { return value(r.rows[k / n], static_cast<int>(k % n)); },
                [&](std::size_t k) {
                    return std::string(name) + " of element " +
                           std::to_string(first + static_cast<std::int64_t>(k / n)) +
                           (n > 1 ? " (component " + std::to_string(k % n + 1) + ")" : "");
                });
        };
    };
    const auto cell = [&](const char* type, const char* name, int components, auto value) {
        return data_array{part::cell,
                          type,
                          name,
                          components,
                          elements,
                          sizeof(decltype(value(r.rows[0], 0))),
                          per_element(name, components, value)};
    };
    using row = const element_row&;
    // under the tension-field energy, the elements' own states and what wrinkling took
    const bool relaxed = m.problem.tension_field;
    std::vector<data_array> out = fields_of(m, h);
    std::vector<data_array> rest = {
        {part::point, "Float64", "displacement", 3, nodes, 8,
         per_node("displacement", [](const model& m, std::int32_t i,
                                     std::int32_t j) { return m.results.displacements(i, j); })},
        {part::point, "Float64", "load", 3, nodes, 8,
         per_node("load", [](const model& m, std::int32_t i,
                             std::int32_t j) { return m.results.load.loads(m.problem)(i, j); })},
        {part::point, "Float64", "reaction", 3, nodes, 8,
         per_node("reaction",
                  [](const model& m, std::int32_t i, std::int32_t j) {
                      return is_prescribed(m, i, j) ? m.results.reactions(i, j) : 0.0;
                  })},
        {part::point, "UInt8", "fixed", 3, nodes, 1,
         per_node("fixed",
                  [](const model& m, std::int32_t i, std::int32_t j) {
                      return static_cast<std::uint8_t>(is_prescribed(m, i, j) ? 1 : 0);
                  })},
        {part::point, "UInt8", "fixed_count", 1, nodes, 1,
         [&m, nodes](text_file& out) {
             put_values<std::uint8_t>(out, nodes, [&](std::size_t at) {
                 const std::int32_t i = static_cast<std::int32_t>(at) + 1;
                 return static_cast<std::uint8_t>(is_prescribed(m, i, 1) + is_prescribed(m, i, 2) +
                                                  is_prescribed(m, i, 3));
             });
         }},
        {part::cell, "Int32", "element", 1, elements, 4,
         [elements, first](text_file& out) {
             put_values<std::int32_t>(out, elements, [&](std::size_t at) {
                 return first + static_cast<std::int32_t>(at);
             });
         }},
        cell("Float64", "sigma1", 1, [](row e, int) { return e.stress.sigma1; }),
        cell("Float64", "sigma2", 1, [](row e, int) { return e.stress.sigma2; }),
        cell("Float64", "von_mises", 1, [](row e, int) { return von_mises(e.stress); }),
        cell("Float64", "thickness", 1, [](row e, int) { return e.thickness; }),
        cell("Float64", "stretch", 2,
             [](row e, int c) { return c == 0 ? e.deformation.stretch1 : e.deformation.stretch2; }),
        cell("Float64", "stretch3", 1, [](row e, int) { return e.stretch3; }),
        cell("Float64", "direction1", 3, [](row e, int c) { return e.deformation.direction1[c]; }),
        cell("Float64", "direction2", 3, [](row e, int c) { return e.deformation.direction2[c]; }),
        cell("Float64", "membrane_force", 2,
             [](row e, int c) {
                 return (c == 0 ? e.stress.sigma1 : e.stress.sigma2) * e.thickness;
             }),
        cell("Float64", "area_ratio", 1, [](row e, int) { return e.deformation.area_ratio; }),
        cell("UInt8", "state", 1,
             [relaxed](row e, int) { return relaxed ? e.tension : tension_state(e.stress); }),
    };
    if (relaxed) {
        // the wrinkles' compressed direction (0 where the element is not wrinkled)
        rest.push_back(cell("Float64", "wrinkle_direction", 3, [](row e, int c) {
            return e.tension == 1 ? e.deformation.direction2[c] : 0.0;
        }));
        rest.push_back(cell("Float64", "lost_width", 1, [](row e, int) { return e.lost_width; }));
    }
    std::vector<data_array> shape = {
        {part::points, "Float64", "Points", 3, nodes, 8,
         per_node("the initial position",
                  [](const model& m, std::int32_t i, std::int32_t j) {
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
    for (data_array& d : rest) out.push_back(std::move(d));
    for (data_array& d : shape) out.push_back(std::move(d));
    return out;
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

// The code point of the UTF-8 sequence at text[at] and its length, or length 0 when none starts
// there (a stray, overlong or cut byte, a surrogate).
struct code_point {
    char32_t value;
    std::size_t length;
};
code_point utf8_at(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char lead = byte(0);
    const std::size_t length = lead < 0x80                    ? 1
                               : lead >= 0xC2 && lead <= 0xDF ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || at + length > text.size()) return {0, 0};
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80) return {0, 0};
        value = (value << 6) | (byte(k) & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < least[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return {0, 0};
    return {value, length};
}

// The title as the text of an XML comment: characters XML takes are kept, any other byte shows
// as '?', and no hyphen follows another or ends the text.
std::string comment_text(std::string_view title) {
    std::string out;
    for (std::size_t at = 0; at < title.size();) {
        const code_point c = utf8_at(title, at);
        if (c.length == 0 || c.value < 0x20 || c.value == 0x7F || c.value == 0xFFFE ||
            c.value == 0xFFFF) {
            out += '?';
            ++at;
            continue;
        }
        if (c.value == '-' && !out.empty() && out.back() == '-') out += ' ';
        out.append(title, at, c.length);
        at += c.length;
    }
    if (!out.empty() && out.back() == '-') out += ' ';
    return out;
}

// The XML head up to the start of the appended data; each array is declared with the offset of
// its byte count in the appended block. The arrays are appended in the reverse of their listed
// order: a reader that renumbers the offsets one array at a time, looking each up by its old
// offset in document order (meshio does), then never meets a renumbered one first.
void head(text_file& out, const model& model, const vtu_header& h,
          const std::vector<data_array>& arrays) {
    const mesh& m = model.problem.mesh;
    out.put("<?xml version=\"1.0\"?>\n");
    const std::string& title = model.problem.title;
    out.put(std::string("<!-- ") + h.program + " " + h.version +
            (title.empty() ? "" : ": " + comment_text(title)) + " -->\n");
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

void vtu(const std::string& name, const model& m, const vtu_header& header,
         const std::vector<field_value>& extra) {
    // The declared sizes come from the mesh; the values written must match them.
    if (m.results.rows.size() != m.problem.mesh.elements.size())
        throw failure("cannot create " + name + ": the results do not match the mesh");
    std::vector<data_array> arrays = arrays_of(m, header);
    auto after_fields = std::find_if(arrays.begin(), arrays.end(), [](const data_array& d) {
        return d.where != data_array::part::field;
    });
    for (const field_value& v : extra)
        after_fields =
            1 + arrays.insert(after_fields, {data_array::part::field, "Float64", v.name.c_str(), 1,
                                             1, 8, [&v](text_file& out) {
                                                 put_values<double>(
                                                     out, 1, [&v](std::size_t) { return v.value; },
                                                     [&v](std::size_t) { return v.name; });
                                             }});
    text_file out(name);
    head(out, m, header, arrays);
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
