// Reading the pressures section into the problem, and finding the optional sections.
#include "sheet/input/optional_sections.hpp"

#include <algorithm>
#include <string>

#include "sheet/failure.hpp"

namespace sheet {

namespace {

constexpr int pressure_line = 4;  // e p and the line break: the fewest characters of a line

}  // namespace

void read_pressures(scanner& in, problem& p) {
    const std::int32_t count = in.read_integer({"the count of pressures"});
    if (count < 0)
        in.fail_at_number("count mismatch",
                          "the count of pressures is " + std::to_string(count) + ", below 0");
    in.discard_rest_of_line();
    if (count > 0) {
        in.discard_line();
        in.require_room(count, pressure_line, {"pressure line"});
    }
    const std::int32_t elements = p.mesh.elements.last();
    std::vector<std::int32_t> given(static_cast<std::size_t>(std::max(elements, 0)) + 1, 0);
    p.pressures.clear();
    for (std::int32_t line = 1; line <= count; ++line) {
        const std::int32_t e = in.read_integer({"the element of pressure line #", line});
        if (e < 1 || e > elements)
            in.fail_at_number(
                "index out of range",
                "element " + std::to_string(e) + " is not in 1.." + std::to_string(elements));
        std::int32_t& first = given[static_cast<std::size_t>(e)];
        if (first != 0)
            in.fail_at_number("repeated element", "element " + std::to_string(e) +
                                                      " has its pressure on pressure line " +
                                                      std::to_string(first) + " already");
        first = line;
        p.pressures.push_back({e, in.read_real({"the pressure of pressure line #", line})});
        in.discard_rest_of_line();
    }
    in.require_no_number("count mismatch",
                         {"more pressure lines follow than the count of #", count});
    std::sort(p.pressures.begin(), p.pressures.end(),
              [](const pressure& a, const pressure& b) { return a.element < b.element; });
}

void read_optional_sections(scanner& in, problem& p) {
    bool pressures = false, chambers = false, membrane = false;
    for (std::string word = in.next_header(); !word.empty(); word = in.next_header()) {
        if (word == "pressures" && !pressures) {
            read_pressures(in, p);
            pressures = true;
        } else if (word == "chambers" && !chambers) {
            read_chambers(in, p);
            chambers = true;
        } else if (word == "membrane" && !membrane) {
            read_membrane(in, p);
            membrane = true;
        }
    }
    // An element is pressed by one pressure at most: a chamber's elements are its own.
    for (const chamber& c : p.chambers)
        for (const std::int32_t e : c.elements)
            if (std::binary_search(
                    p.pressures.begin(), p.pressures.end(), pressure{e, 0.0},
                    [](const pressure& a, const pressure& b) { return a.element < b.element; }))
                throw failure("input.txt: element " + std::to_string(e) + " of chamber " +
                              std::to_string(c.number) +
                              " also has a pressure of its own in the pressures section; an "
                              "element belongs to one chamber or pressure at most");
}

}  // namespace sheet
