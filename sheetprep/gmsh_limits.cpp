// What gmsh's limits mean, in the user's words: the memory it may take, and the messages when it
// runs out of time or memory, crashes, or is asked for more triangles than allowed.
#include "sheetprep/gmsh_limits.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sheet/failure.hpp"
#include "sheetprep/real_text.hpp"

namespace sheetprep {

namespace {

// An estimated count, for a message.
std::string count_text(double count) {
    if (!std::isfinite(count)) return "more than 1e308";
    if (count < 1e15) return "about " + std::to_string(std::llround(count));
    char text[32];
    std::snprintf(text, sizeof text, "about %.3g", count);
    return text;
}

// 4 significant digits, for a message.
double round_to_4(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return std::strtod(text, nullptr);
}

}  // namespace

std::uint64_t gmsh_memory(std::int64_t max_elements) {
    const double bytes = 1073741824.0 + 4096.0 * static_cast<double>(max_elements);
    // Beyond what an address space holds, there is no limit to set.
    return bytes < 1e18 ? static_cast<std::uint64_t>(bytes) : 0;
}

[[noreturn]] void report_gmsh_end(const child_result& ended, const std::string& name,
                                  const mesh_limits& limits) {
    switch (ended.end) {
        case child_end::timed_out:
            throw sheet::failure(
                "gmsh did not finish with " + name + " within " + real_text(limits.seconds) +
                " s (mesh_time_limit): the script loops for ever, or asks for a mesh finer than "
                "gmsh makes in that time; raise mesh_time_limit in the problem file if it is "
                "meant to take longer");
        case child_end::out_of_memory: {
            const std::uint64_t memory = gmsh_memory(limits.max_elements);
            throw sheet::failure(
                "gmsh ran out of memory on " + name + " (" +
                (memory > 0
                     ? "it may take " +
                           real_text(round_to_4(static_cast<double>(memory) / 1073741824.0)) +
                           " GiB"
                     : std::string("all the machine has")) +
                ", for max_elements = " + std::to_string(limits.max_elements) +
                "): the mesh asked for is too fine; ask for a coarser one, or raise "
                "max_elements in the problem file if so fine a mesh is meant");
        }
        default:
            if (ended.signal != 0)
                throw sheet::failure("gmsh crashed on " + name + " (signal " +
                                     std::to_string(ended.signal) + ", " + strsignal(ended.signal) +
                                     ")");
            throw sheet::failure("gmsh ended its process on " + name +
                                 " without a result (exit status " +
                                 std::to_string(ended.exit_status) + ")");
    }
}

void check_count_asked(double expected, double mesh_size, double area, const std::string& name,
                       const mesh_limits& limits) {
    if (expected > static_cast<double>(limits.max_elements))
        throw sheet::failure(
            "mesh_size " + real_text(mesh_size) + " asks for " + count_text(expected) +
            " triangles on " + name + " (area " + real_text(round_to_4(area)) +
            "), more than max_elements = " + std::to_string(limits.max_elements) +
            "; choose a larger mesh_size, or raise max_elements in the problem file if "
            "so fine a mesh is meant");
}

void check_count_made(std::size_t triangles, const std::string& name, const mesh_limits& limits) {
    if (static_cast<std::int64_t>(triangles) > limits.max_elements)
        throw sheet::failure(
            name + " gives " + std::to_string(triangles) +
            " triangles, more than max_elements = " + std::to_string(limits.max_elements) +
            "; mesh it coarser, or raise max_elements in the problem file if so "
            "fine a mesh is meant");
}

}  // namespace sheetprep
