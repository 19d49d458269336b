#include "core/numformat.h"

#include <cstdio>
#include <cstring>

namespace zt {

std::string formatInteger(int32_t v) { return std::to_string(v); }

std::string formatFloat(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", v);
  std::string s(buf);
  size_t e = s.find('e');
  if (e == std::string::npos) return s;
  // "%g" writes at least two exponent digits; the language writes at least three.
  size_t digits = s.size() - (e + 2);
  if (digits < 3) s.insert(e + 2, 3 - digits, '0');
  return s;
}

}  // namespace zt
