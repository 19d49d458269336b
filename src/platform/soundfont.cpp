// The General MIDI soundfont the synthesizer plays with: the largest one installed.
#include <algorithm>
#include <filesystem>

#include "platform/decoders_audio.h"

namespace zt {

std::string chooseSoundfont() {
  namespace fs = std::filesystem;
  std::string best;
  uintmax_t bestSize = 0;
  for (const char* folder : {"/usr/share/sounds/sf2", "/usr/share/soundfonts"}) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      std::string ext = it->path().extension().string();
      std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
      const uintmax_t size = fs::file_size(it->path(), ec);
      if (ext != ".sf2" || ec) {
        ec.clear();
        continue;
      }
      if (size > bestSize || (size == bestSize && it->path().string() < best)) {
        best = it->path().string();
        bestSize = size;
      }
    }
  }
  return best;
}

}  // namespace zt
