#include "core/value.h"

#include <cstdlib>
#include <cstring>

namespace zt {

char* copyString(std::string_view text) {
  if (text.size() > MaxStringLength) text = text.substr(0, MaxStringLength);
  // An empty string still gets a two-byte block, as the loader makes them.
  char* block = static_cast<char*>(std::calloc(text.size() < 1 ? 2 : text.size() + 1, 1));
  if (!block) std::abort();
  if (!text.empty()) std::memcpy(block, text.data(), text.size());  // an empty view may have no data
  return block;
}

void storeString(Cell& c, std::string_view text) {
  char* block = copyString(text);
  std::free(c.s);
  c.s = block;
}

void freeString(Cell& c) {
  std::free(c.s);
  c.s = nullptr;
}

}  // namespace zt
