// Reading the settings, nodes, elements, supports and loads of input.txt into the problem.
#include "sheet/input/sections.hpp"

#include <string>

#include "sheet/failure.hpp"

namespace sheet {

namespace {

// Fewest characters a data line can take: its numbers, one character between each, the line
// break.
constexpr int node_line = 8;     // k X Y Z
constexpr int element_line = 8;  // e N1 N2 N3
constexpr int support_line = 6;  // i j value

// A count of lines that cannot be below 0, reported at the count itself rather than where the
// lines it spoils are met.
void check_count(const scanner& in, std::int32_t count, const char* what) {
    if (count < 0)
        in.fail_at_number("invalid value", std::string("the ") + what + " is " +
                                               std::to_string(count) +
                                               "; a count cannot be below 0");
}

void check_index(const scanner& in, std::int32_t value, std::int32_t last, const char* what) {
    if (value < 1 || value > last)
        in.fail_at_number("index out of range", std::string(what) + " " + std::to_string(value) +
                                                    " is not in 1.." + std::to_string(last));
}

// The (node, direction) pair that heads a line of the support and load sections.
struct component {
    std::int32_t node;
    std::int32_t direction;
};

component read_component(scanner& in, const mesh& m, std::int32_t line, std::string_view node_text,
                         std::string_view direction_text) {
    const std::int32_t node = in.read_integer({node_text, line});
    check_index(in, node, m.node_count, "node");
    const std::int32_t direction = in.read_integer({direction_text, line});
    check_index(in, direction, 3, "direction");
    return {node, direction};
}

void read_nodes(scanner& in, mesh& m) {
    in.scan({"nodes"});
    m.node_count = in.read_integer({"the node count"});
    check_count(in, m.node_count, "node count");
    in.discard_rest_of_line();
    in.discard_line();
    in.require_room(m.node_count, node_line, {"node line"});
    m.node_x = terms::real_vector(1, m.node_count);
    m.node_y = terms::real_vector(1, m.node_count);
    m.node_z = terms::real_vector(1, m.node_count);
    for (std::int32_t line = 1; line <= m.node_count; ++line) {
        const std::int32_t k = in.read_integer({"the node number of node line #", line});
        check_index(in, k, m.node_count, "node");
        m.node_x(k) = in.read_real({"the X coordinate of node #", k});
        m.node_y(k) = in.read_real({"the Y coordinate of node #", k});
        m.node_z(k) = in.read_real({"the Z coordinate of node #", k});
        in.discard_rest_of_line();
    }
}

void read_elements(scanner& in, mesh& m) {
    in.scan({"elements"});
    const std::int32_t count = in.read_integer({"the element count"});
    check_count(in, count, "element count");
    in.discard_rest_of_line();
    in.discard_line();
    in.require_room(count, element_line, {"element line"});
    m.elements = terms::array1<triangle>(1, count);
    for (std::int32_t line = 1; line <= count; ++line) {
        const std::int32_t e = in.read_integer({"the element number of element line #", line});
        check_index(in, e, count, "element");
        triangle& record = m.elements(e);
        record.node[0] = in.read_integer({"corner N1 of element #", e});
        record.node[1] = in.read_integer({"corner N2 of element #", e});
        record.node[2] = in.read_integer({"corner N3 of element #", e});
        in.discard_rest_of_line();
    }
}

void read_supports(scanner& in, const mesh& m, supports& s) {
    in.scan({"prescribed displacements"});
    s.held = terms::flag_matrix(1, m.node_count, 1, 3);
    s.prescribed = terms::real_matrix(1, m.node_count, 1, 3);
    const std::int32_t count = in.read_integer({"the count of prescribed displacements"});
    in.discard_rest_of_line();
    if (count <= 0) return;
    in.discard_line();
    in.require_room(count, support_line, {"prescribed displacement line"});
    for (std::int32_t line = 1; line <= count; ++line) {
        const auto [i, j] = read_component(in, m, line, "the node of support line #",
                                           "the direction of support line #");
        s.prescribed(i, j) = in.read_real({"the value of support line #", line});
        in.discard_rest_of_line();
        s.held(i, j) = true;
    }
}

void read_loads(scanner& in, const mesh& m, terms::real_matrix& loads) {
    in.scan({"loads"});
    loads = terms::real_matrix(1, m.node_count, 1, 3);
    const std::int32_t count = in.read_integer({"the count of loads"});
    in.discard_rest_of_line();
    if (count <= 0) return;
    in.discard_line();
    in.require_room(count, support_line, {"load line"});
    for (std::int32_t line = 1; line <= count; ++line) {
        const auto [i, j] =
            read_component(in, m, line, "the node of load line #", "the direction of load line #");
        loads(i, j) = in.read_real({"the force of load line #", line});
        in.discard_rest_of_line();
    }
}

}  // namespace

void read_title(const scanner& in, problem& p) {
    p.title = in.first_line();
    if (!p.title.empty() && p.title[0] == ':') p.title.clear();
}

void read_settings(scanner& in, solver_settings& s) {
    in.scan({"settings"});
    s.search_factor = in.read_real({"the search factor"});
    s.search_limit = in.read_integer({"the search limit"});
    s.tolerance_factor = in.read_real({"the tolerance factor"});
    s.reference_force = in.read_real({"the reference force"});
    s.max_iterations = in.read_integer({"the iteration limit"});
    s.memory_size = in.read_integer({"the memory size"});
    in.discard_rest_of_line();
    if (s.tolerance_factor <= 0.0) s.tolerance_factor = default_tolerance_factor;
}

std::int32_t read_sheet(scanner& in, problem& p) {
    in.scan({"sheet and material"});
    p.thickness = in.read_real({"the sheet thickness"});
    return in.read_integer({"the material law"});
}

void read_mesh(scanner& in, problem& p) {
    read_nodes(in, p.mesh);
    read_elements(in, p.mesh);
    read_supports(in, p.mesh, p.supports);
    read_loads(in, p.mesh, p.loads);
}

failure undefined_law(std::int32_t number) {
    return failure("undefined material law " + std::to_string(number));
}

}  // namespace sheet
