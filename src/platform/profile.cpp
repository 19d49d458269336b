#include "platform/profile.h"

#include <fstream>

#include "platform/fs.h"

namespace zt {

IniFile loadProfile(const std::string& path) {
  std::string content;
  readWholeFile(path, content);
  IniFile profile;
  profile.parse(content);
  return profile;
}

bool saveProfile(const IniFile& profile, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  const std::string text = profile.text();
  out.write(text.data(), std::streamsize(text.size()));
  return bool(out);
}

std::string readProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view fallback) {
  return loadProfile(path).get(section, key, fallback);
}

bool writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  IniFile profile = loadProfile(path);
  profile.set(section, key, value);
  return saveProfile(profile, path);
}

}  // namespace zt
