// Packing a game: the engine's executable followed by a payload whose first entry is the
// program image and whose other entries are the media files of a folder, named by their
// paths relative to it with "\" between the parts, as programs ask for them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zt {

struct PayloadItem {
  std::string name;
  std::string path;  // the file whose bytes the entry holds
};

// Every regular file under `folder`, sorted by name so that a pack is reproducible.
// False with a reason when the folder cannot be read or a name is too long for a payload.
bool collectMedia(const std::string& folder, std::vector<PayloadItem>& items, std::string& error);

// The payload entry that holds the program's line table: second, right after the image,
// under an empty name, which no program can open (media files always have a name).
constexpr std::string_view LineTableEntryName = "";

// Writes `output`: the executable `engine`, then the payload of `image` (named
// `imageName`), its line table when `lineTable` is not empty, and `media`. The file is
// written beside `output` and renamed over it at the end, so a failed pack leaves no
// half-written game. False with a reason on failure.
bool packGame(const std::string& engine, std::string_view imageName, std::string_view image,
              const std::vector<PayloadItem>& media, const std::string& output, std::string& error,
              std::string_view lineTable = {});

// ztc --pack: the image compiled from `source` and the media under `mediaFolder` (none
// when empty), after the engine `engine`, or the zentropia beside the running tool when
// `engine` is empty. The program's entry is named after the source.
bool packCompiledGame(const std::string& source, std::string_view image, const std::string& mediaFolder,
                      const std::string& engine, const std::string& output, std::string& error,
                      std::string_view lineTable = {});

}  // namespace zt
