// Profile (INI) text with the desktop platform's rules: "[section]" headers and
// "key=value" lines; section and key names match case-insensitively; blanks around
// names and values are ignored; writing a key that exists replaces its value in place,
// a new key goes to the end of its section, a new section to the end of the file.
// A missing section or key reads as the caller's default. Files are read and written by
// platform/profile.h.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zt {

// Whether two names are equal in any letter case, as sections and keys match.
bool sameName(std::string_view a, std::string_view b);

class IniFile {
 public:
  // Replaces the profile with `text`'s; text too large to hold gives an empty profile.
  void parse(std::string_view text);
  std::string text() const;

  std::string get(std::string_view section, std::string_view key, std::string_view fallback) const;
  void set(std::string_view section, std::string_view key, std::string_view value);
  size_t keyCount(std::string_view section) const;

 private:
  struct Entry {
    std::string key;  // empty for a line kept as it is (comment, blank, stray text)
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  std::vector<Entry> preamble;  // lines before the first section
  std::vector<Section> sections;

  void parseLines(std::string_view text);
  const Section* find(std::string_view name) const;
  Section* find(std::string_view name) { return const_cast<Section*>(std::as_const(*this).find(name)); }
};

}  // namespace zt
