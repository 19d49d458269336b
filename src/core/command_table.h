// The command table text: "KEYWORD%id%signature" entries under "; Category" lines. The
// compiler reads it for keywords and signatures; tests check the handler rows against it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zt {

struct CommandEntry {
  std::string keyword;
  int id = 0;
  std::string signature;
  std::string category;
};

// Parses the table; malformed lines are reported in `errors` (one text per line).
std::vector<CommandEntry> parseCommandTable(std::string_view text, std::vector<std::string>* errors = nullptr);

}  // namespace zt
