// Fuzz targets whose entry point takes a path: the input is written to a file of this
// process's own under the temporary directory, replaced for each input and removed when
// the run ends.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zt::fuzz {

struct InputFile {
  std::string path;
  InputFile() {
    const char* tmp = std::getenv("TMPDIR");
    path = std::string(tmp && *tmp ? tmp : "/tmp") + "/zt-fuzz-" + std::to_string(getpid());
  }
  ~InputFile() { std::remove(path.c_str()); }
};

inline std::string inputFile(const uint8_t* data, size_t size) {
  static const InputFile file;
  if (std::FILE* f = std::fopen(file.path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return file.path;
}

}  // namespace zt::fuzz
