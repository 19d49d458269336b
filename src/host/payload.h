// The game's payload: the program image and the media files appended to the engine's
// executable. Every command that opens a file by name asks here first; on a hit `path`
// becomes a temporary copy of the entry whose name ends in "_virtual." + `extension`.
// Reading the payload at start-up comes with the host's start-up; until then no payload
// is open and nothing is found.
#pragma once

#include <string>
#include <string_view>

namespace zt {

struct Runtime;

bool findVirtualFile(Runtime& rt, std::string& path, std::string_view extension);

}  // namespace zt
