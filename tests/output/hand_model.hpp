// Small models built in code for the writers' tests, a scoped change of the working directory,
// and the lines of a file whose every line ends with CR LF.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <type_traits>

#include "dorvan/program.hpp"
#include "melvar/program.hpp"
#include "sheet/model/model.hpp"

namespace writers_test {

struct point {
    double x, y, z;
};
struct triangle {
    std::int32_t n1, n2, n3;
};
// A prescribed displacement or an applied load of component (node, direction).
struct component_value {
    std::int32_t node, direction;
    double value;
};

// The model as input leaves it, but for the law. The tolerance is absolute (tolerance_factor times
// a reference force of 1.0), so start evaluates nothing.
template <class Model>
void fill(Model& m, const std::vector<point>& nodes, const std::vector<triangle>& triangles,
          const std::vector<component_value>& supports, const std::vector<component_value>& loads,
          double tolerance_factor = 0.001) {
    m.problem.settings.search_factor = 0.9;
    m.problem.settings.search_limit = 10;
    m.problem.settings.tolerance_factor = tolerance_factor;
    m.problem.settings.reference_force = 1.0;
    m.problem.settings.max_iterations = 100;
    m.problem.settings.memory_size = 5;
    m.problem.thickness = 0.5;
    m.problem.mesh.node_count = static_cast<std::int32_t>(nodes.size());
    m.problem.mesh.node_x = terms::real_vector(1, m.problem.mesh.node_count);
    m.problem.mesh.node_y = terms::real_vector(1, m.problem.mesh.node_count);
    m.problem.mesh.node_z = terms::real_vector(1, m.problem.mesh.node_count);
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i) {
        m.problem.mesh.node_x(i) = nodes[static_cast<std::size_t>(i - 1)].x;
        m.problem.mesh.node_y(i) = nodes[static_cast<std::size_t>(i - 1)].y;
        m.problem.mesh.node_z(i) = nodes[static_cast<std::size_t>(i - 1)].z;
    }
    m.problem.mesh.elements =
        terms::array1<sheet::triangle>(1, static_cast<std::int32_t>(triangles.size()));
    for (std::int32_t e = 1; e <= m.problem.mesh.elements.last(); ++e) {
        const triangle& t = triangles[static_cast<std::size_t>(e - 1)];
        m.problem.mesh.elements(e).node[0] = t.n1;
        m.problem.mesh.elements(e).node[1] = t.n2;
        m.problem.mesh.elements(e).node[2] = t.n3;
    }
    m.problem.supports.held = terms::flag_matrix(1, m.problem.mesh.node_count, 1, 3);
    m.problem.supports.prescribed = terms::real_matrix(1, m.problem.mesh.node_count, 1, 3);
    m.problem.loads = terms::real_matrix(1, m.problem.mesh.node_count, 1, 3);
    for (const component_value& s : supports) {
        m.problem.supports.held(s.node, s.direction) = true;
        m.problem.supports.prescribed(s.node, s.direction) = s.value;
    }
    for (const component_value& l : loads) m.problem.loads(l.node, l.direction) = l.value;
}

// The report as a run writes it: the final state at x, then output.txt.
template <class Laws>
void report(sheet::membrane_model<Laws>& m) {
    if constexpr (std::is_same_v<Laws, dorvan::law>) {
        dorvan::program::find_final_state(m);
        dorvan::program::output(m);
    } else {
        melvar::program::find_final_state(m);
        melvar::program::output(m);
    }
}

// Makes dir the working directory for the life of the object, as the writers use it.
class working_directory {
public:
    explicit working_directory(const std::filesystem::path& dir)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~working_directory() { std::filesystem::current_path(previous_); }
    working_directory(const working_directory&) = delete;
    working_directory& operator=(const working_directory&) = delete;

private:
    std::filesystem::path previous_;
};

// The lines of text, each of which must end with CR LF (the last one included); a stray LF or
// CR fails the test.
inline std::vector<std::string> crlf_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find("\r\n", from);
        if (end == std::string::npos) {
            ADD_FAILURE() << "the text does not end with CR LF: ..." << text.substr(from);
            break;
        }
        const std::string line = text.substr(from, end - from);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "stray line end in " << line;
        lines.push_back(line);
        from = end + 2;
    }
    return lines;
}

// The lines joined, each followed by CR LF.
inline std::string crlf_text(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

inline std::string blanks(int count) {
    return std::string(static_cast<std::size_t>(count), ' ');
}
inline std::string hyphens(int count) {
    return std::string(static_cast<std::size_t>(count), '-');
}

}  // namespace writers_test
