// Number texts as the language shows them: integers as "%d", floats as "%g" with an
// exponent of at least three digits (1000000.0 is "1e+006").
#pragma once

#include <cstdint>
#include <string>

namespace zt {

std::string formatInteger(int32_t v);
std::string formatFloat(double v);

}  // namespace zt
