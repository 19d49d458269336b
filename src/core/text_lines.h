// Reading text line by line: the profile files, the command table and input scripts all
// take their lines off the front of the text this way.
#pragma once

#include <string_view>

namespace zt {

// The text up to the next "\n" (without it), removed from the front of `text` with the
// "\n"; the whole rest when there is none.
inline std::string_view takeLine(std::string_view& text) {
  const size_t eol = text.find('\n');
  const std::string_view line = text.substr(0, eol);
  text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
  return line;
}

}  // namespace zt
