// Models of melvar built in code for the tests: a flat rectangular grid of triangles with its
// supports, loads and material, the closed-form stresses of an incompressible sheet, and a guard
// that runs a writer inside a scratch directory.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "melvar/kinematics.hpp"
#include "melvar/program.hpp"
#include "support/laws.hpp"

namespace melvar_testing {

// Material constants of the three laws used throughout the tests.
inline void neo_hookean(melvar::model& m, double shear) {
    m.law = melvar::neo_hookean{shear};
}
inline void mooney_rivlin(melvar::model& m, double c10, double c01) {
    m.law = melvar::mooney_rivlin{c10, c01};
}
inline void arruda_boyce(melvar::model& m, double shear, double lock) {
    m.law = testing_support::melvar_law(3, {shear, lock});
}

// Settings for a tight, absolute stopping test: |g| <= tolerance.
inline void tight_settings(melvar::model& m, double tolerance) {
    m.problem.settings.search_factor = 0.9;
    m.problem.settings.search_limit = 20;
    m.problem.settings.tolerance_factor = tolerance;
    m.problem.settings.reference_force = 1.0;
    m.problem.settings.max_iterations = 5000;
    m.problem.settings.memory_size = 5;
}

// Node number of grid point (column c, row r) of a grid with columns + 1 points per row.
inline std::int32_t grid_node(int columns, int c, int r) {
    return r * (columns + 1) + c + 1;
}

// A flat grid in the X-Y plane from the origin: columns x rows rectangles of size dx x dy, each
// split along its diagonal into two triangles; nodes numbered row by row. Creates the support
// and load tables, all components free and unloaded.
inline void make_grid(melvar::model& m, int columns, int rows, double dx, double dy) {
    m.problem.mesh.node_count = (columns + 1) * (rows + 1);
    m.problem.mesh.node_x = terms::real_vector(1, m.problem.mesh.node_count);
    m.problem.mesh.node_y = terms::real_vector(1, m.problem.mesh.node_count);
    m.problem.mesh.node_z = terms::real_vector(1, m.problem.mesh.node_count);
    for (int r = 0; r <= rows; ++r) {
        for (int c = 0; c <= columns; ++c) {
            const std::int32_t i = grid_node(columns, c, r);
            m.problem.mesh.node_x(i) = c * dx;
            m.problem.mesh.node_y(i) = r * dy;
            m.problem.mesh.node_z(i) = 0.0;
        }
    }
    m.problem.mesh.elements = terms::array1<sheet::triangle>(1, 2 * columns * rows);
    std::int32_t e = 0;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const std::int32_t n00 = grid_node(columns, c, r), n10 = grid_node(columns, c + 1, r),
                               n11 = grid_node(columns, c + 1, r + 1),
                               n01 = grid_node(columns, c, r + 1);
            m.problem.mesh.elements(++e).node[0] = n00;
            m.problem.mesh.elements(e).node[1] = n10;
            m.problem.mesh.elements(e).node[2] = n11;
            m.problem.mesh.elements(++e).node[0] = n00;
            m.problem.mesh.elements(e).node[1] = n11;
            m.problem.mesh.elements(e).node[2] = n01;
        }
    }
    m.problem.supports.held = terms::flag_matrix(1, m.problem.mesh.node_count, 1, 3);
    m.problem.supports.prescribed = terms::real_matrix(1, m.problem.mesh.node_count, 1, 3);
    m.problem.loads = terms::real_matrix(1, m.problem.mesh.node_count, 1, 3);
}

// Marks component (node, direction) as prescribed to value, as the input's support lines do.
inline void prescribe(melvar::model& m, std::int32_t node, std::int32_t direction, double value) {
    m.problem.supports.prescribed(node, direction) = value;
    m.problem.supports.held(node, direction) = true;
}

// dW/d i1 and dW/d trace_c2 of the model's law, written from the energy series directly.
struct derivatives {
    double w1, w2;
};
inline derivatives law_derivatives(const melvar::model& m, double i1) {
    if (const auto* neo = std::get_if<melvar::neo_hookean>(&m.law)) return {0.5 * neo->shear, 0.0};
    if (const auto* mooney = std::get_if<melvar::mooney_rivlin>(&m.law))
        return {mooney->c10 + mooney->c01 * i1, -0.5 * mooney->c01};
    const auto& boyce = std::get<melvar::arruda_boyce>(m.law);
    double w1 = 0.0;
    for (int i = 1; i <= 5; ++i) w1 += i * boyce.coefficient[i - 1] * std::pow(i1, i - 1);
    return {boyce.shear * w1, 0.0};
}

// In-plane principal Cauchy stress for the in-plane stretch lambda of an incompressible sheet
// whose principal stretches are lambda1, lambda2 and lambda3 = 1 / (lambda1 lambda2).
inline double closed_form_stress(const melvar::model& m, double lambda, double lambda1,
                                 double lambda2) {
    const double l3 = 1.0 / (lambda1 * lambda2);
    const double i1 = lambda1 * lambda1 + lambda2 * lambda2 + l3 * l3;
    const derivatives d = law_derivatives(m, i1);
    return 2.0 * d.w1 * (lambda * lambda - l3 * l3) +
           4.0 * d.w2 * (std::pow(lambda, 4) - std::pow(l3, 4));
}

// Uniaxial stretch lambda1 of a strip of initial width w0 and thickness t0 pulled by the total
// force f: the root of sigma1(lambda1) t0 lambda3 w0 lambda2 = f with lambda2 = lambda3 =
// 1/sqrt(lambda1), by bisection (the force grows with the stretch for every law used here).
inline double uniaxial_stretch(const melvar::model& m, double f, double w0, double t0) {
    const auto force = [&](double l1) {
        const double l2 = 1.0 / std::sqrt(l1);
        return closed_form_stress(m, l1, l1, l2) * t0 * l2 * w0 * l2;
    };
    double lo = 1.0, hi = 1.0;
    while (force(hi) < f) hi *= 1.5;
    for (int step = 0; step < 200 && hi - lo > 1e-15 * hi; ++step) {
        const double mid = 0.5 * (lo + hi);
        (force(mid) < f ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

// The two in-plane principal stresses of an element from its result record, by way of its
// in-plane principal stretches: their squares sum to i1 - lambda3^2 and their fourth powers to
// trace_c2 - lambda3^4. Larger first.
inline std::vector<double> element_stresses(const melvar::element_result& r) {
    const double l3 = r.stretch3;
    const double sum = r.i1 - l3 * l3;
    const double squares = r.trace_c2 - l3 * l3 * l3 * l3;
    const double product = 0.5 * (sum * sum - squares);
    const double root = std::sqrt(std::fmax(0.0, 0.25 * sum * sum - product));
    std::vector<double> out;
    for (const double c : {0.5 * sum + root, 0.5 * sum - root})
        out.push_back(2.0 * r.w1 * (c - l3 * l3) + 4.0 * r.w2 * (c * c - l3 * l3 * l3 * l3));
    return out;
}

// Makes dir the working directory for the guard's lifetime: the writers create their files
// in the working directory.
class working_dir {
public:
    explicit working_dir(const std::filesystem::path& dir)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~working_dir() { std::filesystem::current_path(previous_); }
    working_dir(const working_dir&) = delete;
    working_dir& operator=(const working_dir&) = delete;

private:
    std::filesystem::path previous_;
};

// The lines of a text file with CR LF line ends; fails the caller's expectations through
// an empty last entry when a line lacks its CR.
inline std::vector<std::string> crlf_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(text.substr(at));
            lines.push_back("<missing CR LF>");
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

}  // namespace melvar_testing
