// Fuzz targets whose entry point takes a path: the input is written to a file of this
// process's own under the temporary directory, replaced for each input.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zt::fuzz {

inline std::string inputFile(const uint8_t* data, size_t size) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/zt-fuzz-" + std::to_string(getpid());
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}

}  // namespace zt::fuzz
