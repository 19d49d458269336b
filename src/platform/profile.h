// Profile files on disk: read whole into an IniFile, written back whole.
#pragma once

#include <string>
#include <string_view>

#include "formats/ini.h"

namespace zt {

// A file that does not exist or cannot be read (a folder, say) gives an empty profile.
IniFile loadProfile(const std::string& path);
bool saveProfile(const IniFile& profile, const std::string& path);

// One read or one write of a profile file, as the platform calls do it.
std::string readProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view fallback);
bool writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace zt
