// Frames compared with their reference pictures (tests/frames3d/<name>.png, looked at
// when they were made) through a hash of their colours. Header-only: checks with GoogleTest.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "formats/image_file.h"
#include "platform/pictures.h"
#include "support/image_builder.h"

namespace zt::test {

inline uint64_t hashOf(const RgbImage& f) {
  uint64_t h = 1469598103934665603ull;
  for (uint32_t p : f.pixels)
    for (int i = 0; i < 3; ++i) h = (h ^ ((p >> (8 * i)) & 255)) * 1099511628211ull;
  return h;
}

inline std::string hex(uint64_t h) {
  char text[20];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

// The frame has the reference hash, and so has the reference picture kept beside the tests.
inline void expectReference(const RgbImage& f, const std::string& name, uint64_t hash, const std::string& dumped) {
  EXPECT_EQ(hex(hashOf(f)), hex(hash)) << name << " (" << dumped << ")";
  RgbImage reference;
  ASSERT_TRUE(decodePng(readFile(std::string(ZT_EXAMPLES_DIR) + "/../tests/frames3d/" + name + ".png"), reference))
      << name;
  EXPECT_EQ(hex(hashOf(reference)), hex(hash)) << name << ".png";
}

}  // namespace zt::test
