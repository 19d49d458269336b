// Number texts as the language shows and reads them. These are the engine's own, not the
// C library's, so that every platform prints and parses exactly the same text:
// - integers as "%d", hexadecimal as "%X" (the 32-bit two's complement for negatives);
// - floats as "%g": six significant digits with ties rounded away from zero, no trailing
//   zeros, exponent form below 1e-4 and from 1e6 with at least three exponent digits
//   (1000000.0 is "1e+006"); not-a-number is "-1.#IND" or "1.#QNAN", infinity "1.#INF";
// - text to number: the leading decimal number (blanks, sign, digits, point, exponent).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zt {

std::string formatInteger(int32_t v);
std::string formatHex(int32_t v);
std::string formatFloat(double v);

// The leading decimal number of `text`, 0 when there is none. Out-of-range values give
// infinity or 0, as the magnitude says.
double parseLeadingFloat(std::string_view text);
// The leading decimal integer of `text`, 0 when there is none; saturates at the 32-bit
// limits instead of wrapping.
int32_t parseLeadingInteger(std::string_view text);

}  // namespace zt
