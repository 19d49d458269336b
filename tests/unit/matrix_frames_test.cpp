// A textured matrix with randomized heights in its frames, seen from above and from the
// ground: tiles from a sheet of four colours, lit by the default light. Each frame is
// checked at pixels the scene decides and against the hash of its reference picture
// (tests/frames3d/<name>.png, looked at when it was made).
#include <gtest/gtest.h>

#include "support/frame_reference.h"
#include "support/scene3d.h"

namespace zt::test {
namespace {

constexpr uint32_t BackdropBlue = 0x000080;
constexpr int DumpFrame = 20;  // well after the sheet is grabbed and the grid built

// A sheet of 2 x 2 tiles (red, green, blue, white), a grid of 8 x 8 tiles of 5 units
// painted in diagonal stripes, heights up to 4 from seed 3.
const std::string Terrain =
    "SET DISPLAY MODE 160, 120, 32 : HIDE MOUSE : SYNC ON\n"
    "INK RGB(255, 0, 0), 0 : BOX 0, 0, 15, 15\n"
    "INK RGB(0, 255, 0), 0 : BOX 16, 0, 31, 15\n"
    "INK RGB(0, 0, 255), 0 : BOX 0, 16, 15, 31\n"
    "INK RGB(255, 255, 255), 0 : BOX 16, 16, 31, 31\n"
    "SYNC : GET IMAGE 1, 0, 0, 32, 32 : CLS 0 : SYNC\n"
    "RANDOMIZE 3\n"
    "MAKE MATRIX 1, 40, 40, 8, 8 : PREPARE MATRIX TEXTURE 1, 1, 2, 2 : RANDOMIZE MATRIX 1, 4\n"
    "FOR x = 0 TO 7 : FOR z = 0 TO 7 : SET MATRIX TILE 1, x, z, 1 + (x + z) MOD 4 : NEXT z : NEXT x\n"
    "UPDATE MATRIX 1\n";
const std::string Loop = "DO : SYNC : LOOP\n";

struct ViewCase {
  const char* name;
  const char* camera;
  uint64_t hash;
};

TEST(MatrixFrames, TexturedRandomTerrainFromAboveAndFromTheGround) {
  const ViewCase cases[] = {
      {"matrix_above", "POSITION CAMERA 20, 45, -8 : POINT CAMERA 20, 0, 20\n", 0xac64eed51d532a5dull},
      {"matrix_ground", "POSITION CAMERA 20, 5, 1 : POINT CAMERA 20, 3, 30\n", 0xf06fddc6f793f8d8ull},
  };
  for (const ViewCase& c : cases) {
    SceneRun s(c.name, Terrain + c.camera + Loop, {DumpFrame});
    ASSERT_TRUE(s.started());
    s.run(DumpFrame);
    const RgbImage f = s.frame(DumpFrame);
    ASSERT_EQ(f.width, 160) << c.name;
    ASSERT_EQ(f.height, 120) << c.name;
    // The terrain lies under the middle of the picture; its tiles are lit shades of the four colours.
    const uint32_t ground = f.at(80, 80);
    EXPECT_NE(ground, BackdropBlue) << c.name;
    int coloured[3] = {};
    for (uint32_t p : f.pixels)
      for (int ch = 0; ch < 3; ++ch)
        if (p != BackdropBlue && ((p >> (8 * ch)) & 255) > 64) ++coloured[ch];
    for (int ch = 0; ch < 3; ++ch) EXPECT_GT(coloured[ch], 100) << c.name << " channel " << ch;
    expectReference(f, c.name, c.hash, s.framePath(DumpFrame));
  }
}

}  // namespace
}  // namespace zt::test
