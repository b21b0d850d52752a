// The numbers of an output.txt read back from its text: header values, node displacements,
// element rows, the Max/Min line and the reported reactions; and the comparison of a printed
// value with an exact one within the precision it was printed to.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace dorvan_tests {

struct element_line_values {
    std::int32_t element;
    double thickness, sigma1, sigma2;
};

struct report_values {
    std::int32_t minor = 0;
    double energy = 0.0, tolerance = 0.0;
    std::map<std::int32_t, std::array<double, 3>> displacement;
    std::vector<element_line_values> elements;
    double sigma_max = 0.0, sigma_min = 0.0;
    std::map<std::int32_t, std::array<std::optional<double>, 3>> reaction;
};

inline std::vector<std::string> report_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) throw std::runtime_error("line without CR LF at the end");
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

inline std::size_t line_after(const std::vector<std::string>& lines, const std::string& heading) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == heading) return i + 2;  // past the heading and the rule under it
    throw std::runtime_error("no line \"" + heading + "\"");
}

inline report_values parse_report(const std::string& text) {
    const std::vector<std::string> lines = report_lines(text);
    report_values r;
    r.minor = std::stoi(lines.at(1).substr(48, 15));
    r.energy = std::stod(lines.at(2).substr(48, 15));
    r.tolerance = std::stod(lines.at(3).substr(48, 15));

    std::size_t i =
        line_after(lines, " Node             Displ X             Displ Y             Displ Z");
    for (; i < lines.size() && !lines[i].empty(); ++i) {
        std::istringstream in(lines[i]);
        std::int32_t node;
        std::array<double, 3> d;
        in >> node >> d[0] >> d[1] >> d[2];
        r.displacement[node] = d;
    }
    i = line_after(lines, " Elem         Thickness            Sigma1            Sigma2");
    for (; i < lines.size() && lines[i][0] != '-'; ++i) {
        std::istringstream in(lines[i]);
        element_line_values e;
        in >> e.element >> e.thickness >> e.sigma1 >> e.sigma2;
        r.elements.push_back(e);
    }
    const std::string extremes = lines.at(i + 1);
    if (extremes.substr(0, 28) != "Max/Min                     ")
        throw std::runtime_error("no Max/Min line");
    std::istringstream in(extremes.substr(28));
    in >> r.sigma_max >> r.sigma_min;

    i = line_after(lines, " Node           Force X           Force Y           Force Z");
    for (; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        std::array<std::optional<double>, 3> forces;
        for (std::size_t j = 0; j < 3 && 5 + 18 * j < line.size(); ++j) {
            const std::string field = line.substr(5 + 18 * j, 18);
            if (field.find_first_not_of(' ') != std::string::npos) forces[j] = std::stod(field);
        }
        r.reaction[std::stoi(line.substr(0, 5))] = forces;
    }
    return r;
}

// One unit in the last printed digit of a scientific real with the given decimals.
inline double last_digit(double printed, int decimals) {
    if (printed == 0.0) return std::pow(10.0, -decimals);
    return std::pow(10.0, std::floor(std::log10(std::fabs(printed))) - decimals);
}

// A printed value agrees with the exact one when they differ by at most one unit in the last
// printed digit (half for the rounding, the rest for the convergence of the run), or by at most
// floor for a value that is zero in exact arithmetic.
inline bool agrees(double printed, double exact, int decimals, double floor = 0.0) {
    return std::fabs(printed - exact) <= last_digit(printed, decimals) + floor;
}

}  // namespace dorvan_tests
