// Reading the membrane section into the problem.
#include "sheet/input/membrane.hpp"

#include <cctype>
#include <string>
#include <string_view>

namespace sheet {

namespace {

bool same_word(std::string_view read, std::string_view word) {
    if (read.size() != word.size()) return false;
    for (std::size_t c = 0; c < word.size(); ++c)
        if (std::tolower(static_cast<unsigned char>(read[c])) != word[c]) return false;
    return true;
}

}  // namespace

void read_membrane(scanner& in, problem& p) {
    if (!in.scan_for("membrane")) return;
    const expected model{"the membrane model, exact or tension-field"};
    const std::string word = in.read_word(model);
    if (same_word(word, "tension-field"))
        p.tension_field = true;
    else if (same_word(word, "exact"))
        p.tension_field = false;
    else
        in.fail_at_number("invalid value", "expected " + model.words());
    in.discard_rest_of_line();
}

}  // namespace sheet
