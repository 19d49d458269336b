// Line tables: parsed; an accepted table looks up every place and writes back to text
// that reads the same.
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/line_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zt::LineTable table;
  std::string error;
  if (!zt::readLineTable(std::string_view(reinterpret_cast<const char*>(data), size), table, error)) {
    if (!table.places.empty() || error.empty()) __builtin_trap();  // rejected whole, with a reason
    return 0;
  }
  for (const zt::LinePlace& p : table.places) {
    if (table.find(p.word) != &p) __builtin_trap();
    (void)table.describe(p);
  }
  const std::string text = zt::writeLineTable(table);
  zt::LineTable again;
  if (!zt::readLineTable(text, again, error) || zt::writeLineTable(again) != text) __builtin_trap();
  return 0;
}
