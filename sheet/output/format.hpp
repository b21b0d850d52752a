// Number formats of the three output files: integers right-justified in a field, scientific
// reals with a sign column (report and deck) or without one (CAD script).
#pragma once

#include <cstdint>
#include <string>

namespace sheet {

// value right-justified in width columns, padded with blanks on the left; never cut.
void put_integer(std::string& out, std::int64_t value, int width);

// Sign column (blank for a value >= 0, -0.0 included; "-" for a negative one), one digit, '.',
// decimals digits, 'E', exponent sign and at least two exponent digits. NaN and infinities are
// written as the sign column and "NaN" or "Inf", padded on the left to the width of a finite
// value (decimals + 7 columns).
void put_real(std::string& out, double value, int decimals);

// The CAD script's form: 6 decimals, "-" only before a negative value, no padding.
void put_coordinate(std::string& out, double value);

}  // namespace sheet
