// Reading the membrane section into the problem.
#include <string>

#include "sheet/input/optional_sections.hpp"

namespace sheet {

void read_membrane(scanner& in, problem& p) {
    const expected model{"the membrane model, exact or tension-field"};
    const std::string word = in.read_word(model);
    if (word == "tension-field")
        p.tension_field = true;
    else if (word == "exact")
        p.tension_field = false;
    else
        in.fail_at_number("invalid value",
                          "the membrane model is '" + word + "', not exact or tension-field");
    in.discard_rest_of_line();
}

}  // namespace sheet
