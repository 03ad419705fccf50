// Text operations whose behaviour shows in the protocol and diagnostics:
// cutting a line into fields, reading a number, writing numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ruvex {

// Field k (from 1) of text cut at every occurrence of separator, scanning left
// to right. k < 1 or k beyond the last field gives the empty text.
std::string_view FieldOf(std::string_view text, int k, std::string_view separator);

// Skips blanks and tabs, reads an optional sign, then decimal digits, or hex
// digits after '$', or binary digits after '%', up to the first other
// character. No digits gives 0. Values too large wrap around (never undefined).
int64_t ParseInt(std::string_view text);

// Plain decimal: '-' for negatives, no padding, no grouping.
std::string FormatInt(int64_t value);

// Float formatting for diagnostic lines. decimals < 0 means "no precision
// given": ten decimals with trailing zeros (and a bare point) removed.
// Infinities give "+Infinity"/"-Infinity", NaN gives "NaN". The double
// version writes negative zero as zero; the float version keeps its sign.
std::string FormatDouble(double value, int decimals = -1);
std::string FormatFloat(float value, int decimals = -1);

}  // namespace ruvex
