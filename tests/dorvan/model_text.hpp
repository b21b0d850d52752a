// Problems for the compressible program written as input.txt text, the model read from such a
// text and brought to its starting state in-process, and a portable source of random numbers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "dorvan/program.hpp"
#include "sheet/input/scanner.hpp"

namespace dorvan_tests {

struct node_line {
    std::int32_t number;
    double x, y, z;
};

struct element_line {
    std::int32_t number, n1, n2, n3;
};

// One prescribed displacement or one load: node, direction, value.
struct component_line {
    std::int32_t node, direction;
    double value;
};

struct solver_settings {
    double search_factor = 0.9;
    std::int32_t search_limit = 20;
    double tolerance_factor = 1.0E-10;
    double reference_force = 1.0;
    std::int32_t max_iterations = 5000;
    std::int32_t memory_size = 7;
};

// The material line: law 1 takes (shear, bulk), law 2 (c10, c01, bulk), any other none.
struct material_line {
    std::int32_t law = 1;
    std::vector<double> constants{1.0, 4.0};
};

struct problem {
    solver_settings settings;
    double thickness = 0.5;
    material_line material;
    std::vector<node_line> nodes;
    std::vector<element_line> elements;
    std::vector<component_line> prescribed;
    std::vector<component_line> loads;
};

// Shortest decimal text that reads back as the same double.
inline std::string exact(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

inline std::string input_text(const problem& p) {
    const solver_settings& s = p.settings;
    std::string t = "Generated sheet\n: settings\n";
    t += exact(s.search_factor) + " " + std::to_string(s.search_limit) + " " +
         exact(s.tolerance_factor) + " " + exact(s.reference_force) + " " +
         std::to_string(s.max_iterations) + " " + std::to_string(s.memory_size) + "\n";
    t += ": sheet\n" + exact(p.thickness) + " " + std::to_string(p.material.law);
    for (const double c : p.material.constants) t += " " + exact(c);
    t += "\n: nodes\n" + std::to_string(p.nodes.size()) + "\n  node x y z\n";
    for (const node_line& n : p.nodes)
        t += std::to_string(n.number) + " " + exact(n.x) + " " + exact(n.y) + " " + exact(n.z) +
             "\n";
    t += ": elements\n" + std::to_string(p.elements.size()) + "\n  element N1 N2 N3\n";
    for (const element_line& e : p.elements)
        t += std::to_string(e.number) + " " + std::to_string(e.n1) + " " + std::to_string(e.n2) +
             " " + std::to_string(e.n3) + "\n";
    const auto components = [&t](const char* title, const std::vector<component_line>& lines) {
        t += std::string(": ") + title + "\n" + std::to_string(lines.size()) + "\n";
        if (lines.empty()) return;
        t += "  node dir value\n";
        for (const component_line& c : lines)
            t += std::to_string(c.node) + " " + std::to_string(c.direction) + " " + exact(c.value) +
                 "\n";
    };
    components("prescribed displacements", p.prescribed);
    components("loads", p.loads);
    return t;
}

// The model of the text, read and started as a run does (without writing any file).
inline dorvan::model started_model(const std::string& text) {
    dorvan::model m;
    sheet::scanner in("input.txt", text);
    dorvan::program::input(m, in);
    dorvan::program::start(m);
    return m;
}

inline dorvan::model started_model(const problem& p) {
    return started_model(input_text(p));
}

// Uniform reals in [lo, hi) from a fixed seed, the same on every standard library.
class random_reals {
public:
    explicit random_reals(std::uint64_t seed) : engine_(seed) {}
    double operator()(double lo, double hi) {
        const double unit = static_cast<double>(engine_() >> 11) * 0x1.0p-53;
        return lo + (hi - lo) * unit;
    }

private:
    std::mt19937_64 engine_;
};

// A rectangle width x height in the X-Y plane meshed by nx x ny squares, each cut into two
// triangles along the diagonal from its lower left corner; node (i, j) at column i, row j is
// numbered 1 + i + j (nx + 1).
inline void rectangle_mesh(problem& p, double width, double height, int nx, int ny) {
    const auto number = [nx](int i, int j) { return 1 + i + j * (nx + 1); };
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i)
            p.nodes.push_back({number(i, j), width * i / nx, height * j / ny, 0.0});
    std::int32_t e = 0;
    for (int j = 0; j < ny; ++j) {
        for (int i = 0; i < nx; ++i) {
            const int a = number(i, j), b = number(i + 1, j);
            const int c = number(i + 1, j + 1), d = number(i, j + 1);
            p.elements.push_back({++e, a, b, c});
            p.elements.push_back({++e, a, c, d});
        }
    }
}

}  // namespace dorvan_tests
