// A case's problem file written from the original text: the [sweep] table cut out and the case's
// values written over the old ones, so that its comments and layout stay.
#pragma once

#include <toml++/toml.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sheetprep/sweep_plan.hpp"

namespace sheetprep {

// Byte offsets of the positions toml++ gives: lines from 1, columns from 1 in code points.
class text_offsets {
public:
    explicit text_offsets(std::string_view text) : text_(text) {
        line_starts_.push_back(0);
        for (std::size_t k = 0; k < text.size(); ++k)
            if (text[k] == '\n') line_starts_.push_back(k + 1);
    }

    // npos for a position outside the text.
    std::size_t offset(const toml::source_position& where) const {
        if (where.line == 0 || where.line > line_starts_.size() || where.column == 0)
            return std::string::npos;
        std::size_t at = line_starts_[where.line - 1];
        for (toml::source_index column = 1; column < where.column; ++column) {
            if (at >= text_.size() || text_[at] == '\n') return std::string::npos;
            ++at;
            while (at < text_.size() && (static_cast<unsigned char>(text_[at]) & 0xC0) == 0x80)
                ++at;
        }
        return at;
    }

    std::string_view text() const { return text_; }

private:
    std::string_view text_;
    std::vector<std::size_t> line_starts_;
};

// The [sweep] table's stretch of the text: from its header (or key) to the end of its last value,
// widened to whole lines where nothing else stands on them but blanks and a comment.
std::optional<std::pair<std::size_t, std::size_t>> sweep_stretch(const toml::table& document,
                                                                 const toml::table& sweep,
                                                                 const text_offsets& offsets);

// The case's problem file: the edited text where reading it back gives the intended document,
// else that document as toml++ writes it.
std::string case_text(const text_offsets& offsets, const toml::table& document,
                      const sweep_plan& plan, const std::vector<std::size_t>& picks,
                      const std::optional<std::pair<std::size_t, std::size_t>>& stretch,
                      const std::string& mesh_name);

}  // namespace sheetprep
