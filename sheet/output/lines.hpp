// The long tables of the output files (a line per node or per element): each line formatted on
// any thread, the lines put into the file in order as soon as those before them are, so that the
// file's bytes are those of one thread alone.
#pragma once

#include <cstddef>
#include <string>

#include "sheet/assembly/in_order.hpp"
#include "sheet/output/text_file.hpp"

namespace sheet {

// Below this many lines one thread formats them: at 10 000 nodes or 20 000 elements the file's
// flushes, not its formatting, take most of its time, and the workers gained nothing.
constexpr std::size_t lines_on_workers_from = std::size_t{1} << 16;

// format(at, line) appends line at (0 <= at < count) to an empty line and may run on any
// thread, so it must only read shared state; each line is then put into out and ended.
template <class Format>
void put_lines(text_file& out, std::size_t count, Format&& format) {
    for_each_in_order<std::string>(
        count,
        [&](std::size_t at, std::string& line) {
            line.clear();
            format(at, line);
        },
        [&](std::size_t, const std::string& line) {
            out.put(line);
            out.end_line();
        },
        lines_on_workers_from);
}

}  // namespace sheet
