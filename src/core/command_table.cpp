#include "core/command_table.h"

#include <cstdlib>

#include "core/text_lines.h"

namespace zt {

std::vector<CommandEntry> parseCommandTable(std::string_view text, std::vector<std::string>* errors) {
  std::vector<CommandEntry> entries;
  std::string category;
  size_t lineNumber = 0;
  while (!text.empty()) {
    std::string_view line = takeLine(text);
    ++lineNumber;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (line.empty()) continue;
    if (line.front() == ';') {
      if (lineNumber > 1) category = std::string(line.substr(line.size() > 1 && line[1] == ' ' ? 2 : 1));
      continue;
    }
    size_t first = line.find('%'), second = first == std::string_view::npos ? first : line.find('%', first + 1);
    if (second == std::string_view::npos || first == 0) {
      if (errors) errors->push_back("line " + std::to_string(lineNumber) + ": not KEYWORD%id%signature");
      continue;
    }
    CommandEntry e;
    e.keyword = std::string(line.substr(0, first));
    e.id = std::atoi(std::string(line.substr(first + 1, second - first - 1)).c_str());
    e.signature = std::string(line.substr(second + 1));
    e.category = category;
    entries.push_back(std::move(e));
  }
  return entries;
}

}  // namespace zt
