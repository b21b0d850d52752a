// The body both fuzz targets share: one input.txt text through a program's input and start,
// with the failures a bad file may legitimately end in caught, and every other outcome fatal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "arrays/terms.hpp"
#include "sheet/failure.hpp"
#include "sheet/input/scanner.hpp"

namespace sheet_fuzz {

// Beyond this many nodes or elements the starting state is skipped: such a file is legitimate
// but only costs time, and the reader, not start, is what bounds the counts.
constexpr std::int64_t work_cap = 100000;

[[noreturn]] inline void finding(const char* what, const std::string& detail) {
    std::fprintf(stderr, "FINDING: %s: %s\n", what, detail.c_str());
    std::abort();
}

// A failure report must be one non-empty line: main prints it after "<program>: ".
inline void check_report(const std::exception& failure) {
    const std::string text = failure.what();
    if (text.empty()) finding("empty failure report", text);
    if (text.find_first_of("\r\n") != std::string::npos)
        finding("failure report is more than one line", text);
}

// Runs input then start on the text; std::bad_alloc and any other exception escape on purpose.
template <class Model, class Input, class Start>
int run_one(const std::uint8_t* data, std::size_t size, Input input, Start start) {
    sheet::scanner in("input.txt", std::string(reinterpret_cast<const char*>(data), size));
    Model m;
    try {
        input(m, in);
        // The reader's plausibility check bounds every count by what the file can hold.
        const auto bound = static_cast<std::int64_t>(size) / 6 + 1;
        if (m.problem.mesh.node_count > bound)
            finding("node count beyond what the file can hold",
                    std::to_string(m.problem.mesh.node_count));
        if (static_cast<std::int64_t>(m.problem.mesh.elements.size()) > bound)
            finding("element count beyond what the file can hold",
                    std::to_string(m.problem.mesh.elements.size()));
        if (m.problem.mesh.node_count > work_cap ||
            static_cast<std::int64_t>(m.problem.mesh.elements.size()) > work_cap)
            return 0;
        start(m);
    } catch (const sheet::failure& failure) {
        check_report(failure);
    } catch (const terms::range_error& failure) {
        check_report(failure);
    }
    return 0;
}

}  // namespace sheet_fuzz
