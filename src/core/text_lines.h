// Reading text line by line: the profile files, the command table and input scripts all
// take their lines off the front of the text this way. Names compared as the desktop
// compares them, ignoring the case of ASCII letters.
#pragma once

#include <algorithm>
#include <cctype>
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

inline bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace zt
