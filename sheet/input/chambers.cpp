// Reading the chambers section: per chamber its number, its control and its elements.
#include <algorithm>
#include <string>
#include <vector>

#include "sheet/input/optional_sections.hpp"

namespace sheet {

namespace {

constexpr int chamber_line = 14;  // "c volume v n" and the line break, at the fewest

}  // namespace

void read_chambers(scanner& in, problem& p) {
    const std::int32_t count = in.read_integer({"the count of chambers"});
    if (count < 0)
        in.fail_at_number("count mismatch",
                          "the count of chambers is " + std::to_string(count) + ", below 0");
    in.discard_rest_of_line();
    if (count > 0) {
        in.discard_line();
        in.require_room(count, chamber_line, {"chamber line"});
    }
    const std::int32_t elements = p.mesh.elements.last();
    // The chamber each element belongs to, 0 for none.
    std::vector<std::int32_t> owner(static_cast<std::size_t>(std::max(elements, 0)) + 1, 0);
    std::vector<bool> numbered(static_cast<std::size_t>(count) + 1, false);
    p.chambers.clear();
    for (std::int32_t line = 1; line <= count; ++line) {
        chamber c;
        c.number = in.read_integer({"the number of chamber line #", line});
        if (c.number < 1 || c.number > count)
            in.fail_at_number("index out of range", "chamber " + std::to_string(c.number) +
                                                        " is not in 1.." + std::to_string(count));
        if (numbered[static_cast<std::size_t>(c.number)])
            in.fail_at_number("repeated chamber",
                              "chamber " + std::to_string(c.number) + " is given twice");
        numbered[static_cast<std::size_t>(c.number)] = true;
        const std::string control = in.read_word({"the control of chamber #", c.number});
        if (control == "pressure") {
            c.control = chamber_control::pressure;
            c.value = in.read_real({"the pressure of chamber #", c.number});
        } else if (control == "volume") {
            c.control = chamber_control::volume;
            c.value = in.read_real({"the change of volume of chamber #", c.number});
        } else if (control == "gas") {
            c.control = chamber_control::gas;
            c.value = in.read_real({"the gas pressure of chamber #", c.number});
            c.reference_volume = in.read_real({"the reference volume of chamber #", c.number});
            c.exponent = in.read_real({"the gas exponent of chamber #", c.number});
            if (!(c.exponent > 0.0))
                in.fail_at_number("invalid value", "the gas exponent of chamber " +
                                                       std::to_string(c.number) +
                                                       " must be above 0 (1 isothermal, 1.4 "
                                                       "adiabatic air)");
            c.extra_volume = in.read_real({"the extra volume of chamber #", c.number});
            if (!(c.value > 0.0) || !(c.reference_volume + c.extra_volume > 0.0))
                in.fail_at_number("invalid value",
                                  "chamber " + std::to_string(c.number) +
                                      " holds no gas: its pressure and its reference volume "
                                      "(with the extra volume) must be above 0");
        } else {
            in.fail_at_number("invalid value", "the control of chamber " +
                                                   std::to_string(c.number) + " is '" + control +
                                                   "', not pressure, volume or gas");
        }
        const std::int32_t size = in.read_integer({"the element count of chamber #", c.number});
        if (size < 1)
            in.fail_at_number("count mismatch", "chamber " + std::to_string(c.number) +
                                                    " has no elements (" + std::to_string(size) +
                                                    ")");
        in.require_room(size, 2, {"element of a chamber"});
        for (std::int32_t k = 0; k < size; ++k) {
            const std::int32_t e = in.read_integer({"an element of chamber #", c.number});
            if (e < 1 || e > elements)
                in.fail_at_number(
                    "index out of range",
                    "element " + std::to_string(e) + " is not in 1.." + std::to_string(elements));
            std::int32_t& first = owner[static_cast<std::size_t>(e)];
            if (first != 0)
                in.fail_at_number("repeated element", "element " + std::to_string(e) +
                                                          " belongs to chamber " +
                                                          std::to_string(first) + " already");
            first = c.number;
            c.elements.push_back(e);
        }
        in.discard_rest_of_line();
        std::sort(c.elements.begin(), c.elements.end());
        p.chambers.push_back(std::move(c));
    }
    in.require_no_number("count mismatch",
                         {"more chamber lines follow than the count of #", count});
    std::sort(p.chambers.begin(), p.chambers.end(),
              [](const chamber& a, const chamber& b) { return a.number < b.number; });
}

}  // namespace sheet
