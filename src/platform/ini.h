// Profile (INI) files with the desktop platform's rules: "[section]" headers and
// "key=value" lines; section and key names match case-insensitively; blanks around
// names and values are ignored; writing a key that exists replaces its value in place,
// a new key goes to the end of its section, a new section to the end of the file.
// A missing file, section or key reads as the caller's default.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zt {

class IniFile {
 public:
  // Reads `path`; a file that does not exist or cannot be read (a folder, say) gives an
  // empty profile.
  void load(const std::string& path);
  bool save(const std::string& path) const;
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

  const Section* find(std::string_view name) const;
  Section* find(std::string_view name) { return const_cast<Section*>(std::as_const(*this).find(name)); }
};

// One read or one write of a profile file, as the platform calls do it.
std::string readProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view fallback);
bool writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace zt
