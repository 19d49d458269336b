// Images and sprites seen in their frames: programs run headless with the virtual clock
// (a flipping chain of two buffers), frames are dumped and their pixels checked. Also every
// error of the image and sprite commands, each raised by a small program, in check order.
#include <gtest/gtest.h>

#include <fstream>

#include "compiler/compiler.h"
#include "core/errors.h"
#include "formats/bmp.h"
#include "support/error_cases.h"
#include "support/image_builder.h"
#include "support/image_files.h"

namespace zt {

extern const std::string_view pointerPicture;

namespace {

using namespace test;

constexpr uint32_t Black = 0, White = 0xFFFFFF, Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF;
constexpr uint32_t LightBlue = 0x7BBEFF;  // the pointer's body in 5-6-5

// A 16 x 16 image 1 of four 8 x 8 quadrants: red, green on top, blue, white below; the
// screen is black again afterwards and the pointer hidden.
const std::string Quadrants =
    "SYNC ON : HIDE MOUSE\n"
    "INK RGB(255, 0, 0), 0 : BOX 0, 0, 7, 7\n"
    "INK RGB(0, 255, 0), 0 : BOX 8, 0, 15, 7\n"
    "INK RGB(0, 0, 255), 0 : BOX 0, 8, 7, 15\n"
    "INK RGB(255, 255, 255), 0 : BOX 8, 8, 15, 15\n"
    "SYNC\n"
    "GET IMAGE 1, 0, 0, 16, 16\n"
    "CLS 0\n"
    "SYNC\n";

// Runs `source` for `frames` frames and returns the frames named in `dumps`.
std::vector<RgbImage> framesOf(const std::string& name, const std::string& source, int frames,
                               std::initializer_list<int> dumps) {
  compiler::CompileResult program = compiler::compileText("prog.ztb", source);
  EXPECT_TRUE(program.ok) << program.messages;
  std::vector<std::string> args = {"--frames", std::to_string(frames)};
  for (int d : dumps) args.insert(args.end(), {"--dump-frame", std::to_string(d) + ":f" + std::to_string(d) + ".bmp"});
  RunResult run = runImage(name, program.image, args);
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  std::vector<RgbImage> images;
  for (int d : dumps) {
    images.emplace_back();
    EXPECT_TRUE(decodeBmp(readFile(run.dir + "/f" + std::to_string(d) + ".bmp"), images.back())) << name << " " << d;
  }
  return images;
}

RgbImage frameOf(const std::string& name, const std::string& source, int frames) {
  return framesOf(name, source, frames, {frames})[0];
}

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

int count(const RgbImage& f, uint32_t colour, int left, int top, int right, int bottom) {
  int n = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) n += f.at(x, y) == colour;
  return n;
}

// A pixel a frame must have, and why.
struct Pixel {
  int x, y;
  uint32_t colour;
  const char* what;
};

void expectPixels(const RgbImage& f, std::initializer_list<Pixel> pixels) {
  for (const Pixel& p : pixels) EXPECT_EQ(f.at(p.x, p.y), p.colour) << p.what << " at " << p.x << ", " << p.y;
}

// Image 1: a red 8 x 8 square with `more` drawn over it; the pointer hidden.
std::string redSquare(const std::string& more = "") {
  return "SYNC ON : HIDE MOUSE\n"
         "INK RGB(255, 0, 0), 0 : BOX 0, 0, 7, 7\n" +
         more +
         "SYNC\n"
         "GET IMAGE 1, 0, 0, 8, 8\n";
}

// A red 8 x 8 sprite walks right over a blue screen for 21 frames.
std::string walkingSprite(const std::string& setting) {
  return redSquare() + "CLS RGB(0, 0, 255)\n" + setting +
         "FOR i = 0 TO 20 : SPRITE 1, 100 + i * 4, 100, 1 : SYNC : NEXT i\n"
         "DO : SYNC : LOOP\n";
}

TEST(SpriteFrames, AMovingSpriteLeavesNoTrailWithBackgroundSaving) {
  const RgbImage f = frameOf("no_trail", walkingSprite(""), 30);
  EXPECT_EQ(count(f, Red, 0, 100, 640, 108), 64);  // the sprite alone, at x = 180
  EXPECT_EQ(f.at(180, 100), Red);
  EXPECT_EQ(f.at(187, 107), Red);
  EXPECT_EQ(f.at(100, 100), Blue);
  EXPECT_EQ(f.at(179, 100), Blue);
}

TEST(SpriteFrames, AMovingSpriteSmearsWithoutBackgroundSaving) {
  const RgbImage f = frameOf("smear", walkingSprite("SET SPRITE 1, 0, 1\n"), 30);
  // Each buffer of the chain keeps every other position: a band of red from x = 100 or 104.
  EXPECT_GE(count(f, Red, 100, 100, 188, 101), 80);
  EXPECT_EQ(f.at(180, 100), Red);
  EXPECT_EQ(f.at(130, 104), Red);
}

TEST(SpriteFrames, ClippedAtAllFourEdgesWithScaleMirrorFlipAndHotSpot) {
  const RgbImage f = frameOf("clipping",
                             Quadrants +
                                 "SPRITE 1, -8, 100, 1\n"
                                 "SPRITE 2, -8, 200, 1 : MIRROR SPRITE 2\n"
                                 "SPRITE 3, -16, 300, 1 : SCALE SPRITE 3, 200\n"
                                 "SPRITE 4, -16, 400, 1 : SCALE SPRITE 4, 200 : MIRROR SPRITE 4\n"
                                 "SPRITE 5, 632, 100, 1\n"
                                 "SPRITE 6, 632, 200, 1 : MIRROR SPRITE 6\n"
                                 "SPRITE 7, 300, -8, 1 : FLIP SPRITE 7\n"
                                 "SPRITE 8, 400, -8, 1\n"
                                 "SPRITE 9, 300, 472, 1\n"
                                 "SPRITE 10, 400, 472, 1 : FLIP SPRITE 10\n"
                                 "SPRITE 11, 508, 308, 1 : OFFSET SPRITE 11, 8, 8\n"
                                 "SPRITE 12, 200, 200, 1 : STRETCH SPRITE 12, 50, 300\n"
                                 "DO : SYNC : LOOP\n",
                             12);
  expectPixels(f, {
                      {0, 100, Green, "left edge: the right half"},
                      {7, 108, White, "left edge: the right half"},
                      {8, 100, Black, "left edge: nothing past the picture"},
                      {0, 200, Red, "left edge, mirrored: the left half mirrored"},
                      {7, 215, Blue, "left edge, mirrored: the left half mirrored"},
                      {639, 100, Red, "right edge: the left half"},
                      {632, 108, Blue, "right edge: the left half"},
                      {639, 200, Green, "right edge, mirrored: the right half mirrored"},
                      {300, 0, Red, "top edge, flipped: the top half upside down"},
                      {308, 7, Green, "top edge, flipped: the top half upside down"},
                      {300, 8, Black, "top edge: nothing past the picture"},
                      {400, 0, Blue, "top edge: the bottom half"},
                      {300, 479, Red, "bottom edge: the top half"},
                      {400, 479, Blue, "bottom edge, flipped: the bottom half upside down"},
                      {408, 472, White, "bottom edge, flipped: the bottom half upside down"},
                      {500, 300, Red, "hot spot: moved up and left by the offset"},
                      {515, 315, White, "hot spot: moved up and left by the offset"},
                      {499, 300, Black, "hot spot: nothing left of the picture"},
                      {516, 316, Black, "hot spot: nothing past the picture"},
                      {208, 200, Black, "stretched: 8 wide"},
                      {200, 248, Black, "stretched: 48 high"},
                  });
  // Doubled at the left edge: 16 screen columns are lost, which are 8 picture columns.
  EXPECT_EQ(count(f, Green, 0, 300, 40, 316), 256);
  EXPECT_EQ(count(f, White, 0, 316, 40, 332), 256);
  EXPECT_EQ(count(f, Red, 0, 400, 40, 416), 256);
  // Stretched to 8 x 48: every other column, each row three times.
  EXPECT_EQ(count(f, Red, 200, 200, 204, 224), 96);
  EXPECT_EQ(count(f, White, 204, 224, 208, 248), 96);
}

TEST(SpriteFrames, PastesWithAndWithoutTransparency) {
  // A red 8 x 8 picture with a black (transparent) 4 x 4 middle, pasted on white.
  const RgbImage f = frameOf("pastes",
                             redSquare("INK 0, 0 : BOX 2, 2, 5, 5\n") +
                                 "CLS RGB(255, 255, 255)\n"
                                 "PASTE IMAGE 1, 100, 100\n"
                                 "PASTE IMAGE 1, 120, 100, 1\n"
                                 "PASTE IMAGE 1, 140, 100, 0\n"
                                 "PASTE IMAGE 1, -4, 200, 1\n"
                                 "SPRITE 1, -100, -100, 1\n"
                                 "PASTE SPRITE 1, 160, 100\n"
                                 "SYNC\n"
                                 "SET SPRITE 1, 1, 0\n"
                                 "PASTE SPRITE 1, 180, 100\n"
                                 "MIRROR SPRITE 1 : SCALE SPRITE 1, 200\n"
                                 "SYNC\n"
                                 "PASTE SPRITE 1, 200, 100\n"
                                 "DO : SYNC : LOOP\n",
                             12);
  expectPixels(f, {
                      {103, 103, Black, "pasted without transparency"},
                      {100, 100, Red, "pasted without transparency"},
                      {123, 103, White, "pasted with transparency"},
                      {120, 100, Red, "pasted with transparency"},
                      {143, 103, Black, "a fourth operand of 0: without transparency"},
                      {163, 103, White, "a sprite pasted with its own transparency"},
                      {183, 103, Black, "a sprite pasted without transparency"},
                      {0, 203, White, "clipped at the left: the right 4 columns, the first 2 transparent"},
                      {2, 203, Red, "clipped at the left: the right 4 columns"},
                      {0, 200, Red, "clipped at the left: the right 4 columns"},
                      {4, 200, White, "nothing past the picture"},
                  });
  // Scaled and mirrored as the sprite was when pasted: 16 x 16 with an 8 x 8 hole.
  EXPECT_EQ(count(f, Black, 200, 100, 216, 116), 64);
  EXPECT_EQ(count(f, Red, 200, 100, 216, 116), 192);
}

TEST(SpriteFrames, GetImageExcludesRightAndBottomWhileBoxIncludesThem) {
  const RgbImage f = frameOf("grab_edges",
                             "SYNC ON : HIDE MOUSE\n"
                             "INK RGB(255, 0, 0), 0 : BOX 0, 0, 10, 10\n"
                             "SYNC\n"
                             "GET IMAGE 1, 0, 0, 10, 10\n"
                             "PASTE IMAGE 1, 100, 100\n"
                             "DO : SYNC : LOOP\n",
                             8);
  EXPECT_EQ(count(f, Red, 0, 0, 20, 20), 121);
  EXPECT_EQ(count(f, Red, 90, 90, 130, 130), 100);
  EXPECT_EQ(f.at(109, 109), Red);
  EXPECT_EQ(f.at(110, 100), Black);
  EXPECT_EQ(f.at(100, 110), Black);
}

TEST(SpriteFrames, PointerIsDrawnOverEverythingWhileShown) {
  const std::string program =
      "SYNC ON\n"
      "INK RGB(255, 0, 0), 0 : BOX 0, 0, 63, 63\n"
      "SYNC\n"
      "GET IMAGE 1, 0, 0, 64, 64\n"
      "CLS 0\n"
      "POSITION MOUSE 200, 201\n"
      "SPRITE 1, 180, 180, 1\n"
      "SYNC\n";
  const std::vector<RgbImage> f = framesOf("pointer",
                                           program +
                                               "FOR i = 1 TO 4 : SYNC : NEXT i\n"
                                               "HIDE MOUSE\n"
                                               "DO : SYNC : LOOP\n",
                                           12, {6, 12});
  // The arrow's tip is one row above the mouse, its white edge over the red sprite; hidden,
  // the sprite shows there again and the pointer leaves nothing behind.
  EXPECT_EQ(f[0].at(200, 200), White);
  EXPECT_EQ(f[0].at(201, 203), LightBlue);
  EXPECT_EQ(f[0].at(215, 200), Red);
  EXPECT_EQ(f[1].at(200, 200), Red);
  EXPECT_EQ(f[1].at(201, 203), Red);
  EXPECT_EQ(count(f[1], Red, 180, 180, 244, 244), 64 * 64);
}

// The compiled-in picture: 27 x 22, black where transparent; its left 2 x 22 strip (the
// text-input bar) is lit in every row, and the arrow fills the top-left 20 x 22.
TEST(SpriteFrames, PointerPictureHasTheArrowAndTheInputBar) {
  RgbImage p;
  ASSERT_TRUE(decodeBmp(pointerPicture, p));
  ASSERT_EQ(p.width, 27);
  ASSERT_EQ(p.height, 22);
  for (int y = 0; y < 22; ++y) {
    EXPECT_NE(p.at(0, y), Black) << y;
    EXPECT_NE(p.at(1, y), Black) << y;
  }
  EXPECT_EQ(p.at(0, 0), White);  // the tip, at the hot spot
  const uint32_t body = 0x78BEFF;
  EXPECT_GT(count(p, body, 0, 0, 20, 22), 50);
  EXPECT_EQ(count(p, Black, 0, 0, 20, 22) + count(p, White, 0, 0, 20, 22) + count(p, body, 0, 0, 20, 22), 20 * 22);
}

TEST(SpriteFrames, ADeletedSpritesBackgroundReturnsInBothBuffers) {
  const std::vector<RgbImage> f = framesOf("deleted",
                                           redSquare() +
                                               "CLS RGB(0, 0, 255)\n"
                                               "SPRITE 1, 50, 50, 1\n"
                                               "SPRITE 2, 80, 50, 1 : SET SPRITE 2, 0, 1\n"
                                               "FOR i = 1 TO 6 : SYNC : NEXT i\n"
                                               "DELETE SPRITE 1 : DELETE SPRITE 2\n"
                                               "DO : SYNC : LOOP\n",
                                           16, {7, 8, 15, 16});
  EXPECT_EQ(f[0].at(50, 50), Red);
  EXPECT_EQ(f[1].at(50, 50), Red);
  // Saved backgrounds go back into both buffers; a sprite without saving stays painted.
  for (size_t i = 2; i < 4; ++i) {
    EXPECT_EQ(count(f[i], Red, 40, 40, 70, 70), 0) << i;
    EXPECT_EQ(f[i].at(50, 50), Blue) << i;
    EXPECT_EQ(f[i].at(80, 50), Red) << i;
  }
}

TEST(SpriteFrames, SavingTurnedBackOnRestoresNoStalePicture) {
  const std::vector<RgbImage> f = framesOf("stale",
                                           redSquare() +
                                               "CLS RGB(0, 0, 255)\n"
                                               "SPRITE 1, 100, 100, 1\n"
                                               "FOR i = 1 TO 4 : SYNC : NEXT i\n"
                                               "SET SPRITE 1, 0, 1 : HIDE SPRITE 1\n"
                                               "INK RGB(0, 255, 0), 0 : BOX 90, 90, 120, 120\n"
                                               "FOR i = 1 TO 4 : SYNC : NEXT i\n"
                                               "SET SPRITE 1, 1, 1 : SPRITE 1, 300, 300, 1 : SHOW SPRITE 1\n"
                                               "DO : SYNC : LOOP\n",
                                           20, {19, 20});
  for (const RgbImage& frame : f) {
    EXPECT_EQ(count(frame, Green, 90, 90, 121, 121), 31 * 31);
    EXPECT_EQ(frame.at(300, 300), Red);
  }
}

TEST(SpriteFrames, HideAllAndShowAllSprites) {
  const std::vector<RgbImage> f = framesOf("hide_all",
                                           Quadrants +
                                               "SPRITE 1, 100, 100, 1 : SPRITE 2, 200, 100, 1\n"
                                               "HIDE ALL SPRITES\n"
                                               "FOR i = 1 TO 6 : SYNC : NEXT i\n"
                                               "SHOW ALL SPRITES : HIDE SPRITE 2\n"
                                               "DO : SYNC : LOOP\n",
                                           14, {6, 14});
  EXPECT_EQ(count(f[0], Black, 100, 100, 216, 116), 116 * 16);
  EXPECT_EQ(f[1].at(100, 100), Red);
  EXPECT_EQ(f[1].at(200, 100), Black);
}

TEST(SpriteFrames, ImagesKeepTheirColoursThroughADisplayReset) {
  const RgbImage f = frameOf("reset",
                             Quadrants +
                                 "SET DISPLAY MODE 320, 240, 32\n"
                                 "SYNC ON : HIDE MOUSE\n"
                                 "SPRITE 1, 10, 10, 1\n"
                                 "PASTE IMAGE 1, 100, 100\n"
                                 "DO : SYNC : LOOP\n",
                             14);
  ASSERT_EQ(f.width, 320);
  EXPECT_EQ(f.at(10, 10), Red);
  EXPECT_EQ(f.at(25, 25), White);
  EXPECT_EQ(f.at(108, 100), Green);
  EXPECT_EQ(f.at(100, 108), Blue);
}

// Each program stops with the error named beside it: the first check that fails.
TEST(SpriteErrors, RaisedInTheirCheckOrder) {
  const ErrorCase cases[] = {
      {"GET IMAGE 0, 0, 0, 8, 8", 501},
      {"GET IMAGE 65536, 0, 0, 8, 8", 501},
      {"GET IMAGE 65535, 0, 0, 640, 480 : SYNC : PRINT \"grabbed\"", 0},
      {"GET IMAGE 1, 0, 0, 641, 480", 503},
      {"GET IMAGE 1, -1, 0, 8, 8", 503},
      {"GET IMAGE 1, 0, 0, 640, 481", 503},
      {"GET IMAGE 1, 5, 0, 5, 8", 504},
      {"GET IMAGE 1, 5, 9, 700, 8", 504},
      {"CREATE BITMAP 1, 20, 20 : GET IMAGE 1, 0, 0, 21, 20", 503},
      {"CREATE BITMAP 1, 20, 20 : GET IMAGE 1, 0, 0, 20, 20, 2 : SYNC : PRINT \"grabbed\"", 0},
      {"LOAD IMAGE \"x.bmp\", 65536", 501},
      {"LOAD IMAGE \"no such file.bmp\", 1", 105},
      {"LOAD IMAGE \"no such file.bmp\", 1, 1", 105},
      {"SAVE IMAGE \"x.bmp\", -1", 501},
      {"SAVE IMAGE \"x.bmp\", 7", 502},
      {"PASTE IMAGE 0, 0, 0", 501},
      {"PASTE IMAGE 3, 0, 0", 502},
      {"PASTE IMAGE 3, 0, 0, 1", 502},
      {"DELETE IMAGE 70000", 501},
      {"DELETE IMAGE 2", 502},
      {"GET IMAGE 2, 0, 0, 4, 4 : DELETE IMAGE 2 : DELETE IMAGE 2", 502},
      {"SPRITE 0, 0, 0, 1", 301},
      {"SPRITE 65536, 0, 0, 1", 301},
      {"BOB 65535, 0, 0, 1 : PRINT BOB EXIST(65535)", 0},
      {"SET SPRITE 0, 1, 1", 301},
      {"SET SPRITE 1, 2, 1", 303},
      {"SET SPRITE 1, -1, 5", 303},
      {"SET BOB 1, 1, 2", 304},
      {"SIZE SPRITE 1, 10, 10", 302},
      {"SPRITE 1, 0, 0, 1 : SIZE SPRITE 1, -1, 10", 312},
      {"SPRITE 1, 0, 0, 1 : SIZE SPRITE 1, 10, -1", 312},
      {"SCALE SPRITE 65536, 100", 301},
      {"SCALE SPRITE 1, 100", 302},
      {"SCALE SPRITE 1, 250001", 302},
      {"SIZE SPRITE 65536, -1, -1", 301},
      {"SPRITE 1, 0, 0, 1 : SCALE SPRITE 1, 250001", 311},
      {"SPRITE 1, 0, 0, 1 : SCALE BOB 1, -1", 311},
      {"SPRITE 1, 0, 0, 1 : STRETCH SPRITE 1, 250001, 100", 311},
      {"SPRITE 1, 0, 0, 1 : STRETCH BOB 1, 100, -1", 311},
      {"SPRITE 1, 0, 0, 1 : STRETCH SPRITE 1, 250000, 0 : SCALE SPRITE 1, 250000 : PRINT \"scaled\"", 0},
      {"OFFSET SPRITE 1, 0, 0", 302},
      {"MIRROR BOB 1", 302},
      {"FLIP SPRITE -1", 301},
      {"DELETE SPRITE 1", 302},
      {"SPRITE 1, 0, 0, 1 : DELETE SPRITE 1 : DELETE SPRITE 1", 302},
      {"PASTE SPRITE 1, 0, 0", 302},
      {"HIDE SPRITE 1", 302},
      {"SHOW SPRITE 0", 301},
      {"PRINT SPRITE EXIST(0)", 301},
      {"PRINT SPRITE X(1)", 302},
      {"PRINT BOB WIDTH(65536)", 301},
      {"PRINT SPRITE HIT(1, 0)", 302},
      {"SPRITE 1, 0, 0, 1 : PRINT SPRITE COLLISION(1, 2)", 302},
      {"SPRITE 1, 0, 0, 1 : PRINT SPRITE COLLISION(1, 0); SPRITE COLLISION(1, 65536)", 0},
  };
  expectErrorCases("sprite_error", cases);
}

TEST(SpriteErrors, LoadedAndSavedImages) {
  const std::string dir = freshFolder("image_files_media");
  // A 2 x 2 24-bit bitmap: red, green / blue, white (rows stored bottom-up).
  const std::string picture = bmp(2, 2, 24, 0, "", bytes({255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0}));
  writeFile(dir + "/pic.bmp", picture);
  writeFile(dir + "/broken.bmp", "BM no picture");
  compiler::CompileResult program =
      compiler::compileText("prog.ztb", "LOAD IMAGE \"" + dir +
                                            "/pic.bmp\", 1\n"
                                            "SPRITE 1, 0, 0, 1\n"
                                            "PRINT SPRITE WIDTH(1); \" \"; SPRITE HEIGHT(1)\n"
                                            "LOAD IMAGE \"" +
                                            dir +
                                            "/pic.bmp\", 1, 2\n"
                                            "PRINT SPRITE WIDTH(1)\n"
                                            "SAVE IMAGE \"" +
                                            dir +
                                            "/out.bmp\", 1\n"
                                            "SYNC\n"
                                            "SAVE IMAGE \"" +
                                            dir + "/out.bmp\", 1\n");
  ASSERT_TRUE(program.ok) << program.messages;
  RunResult r = runImage("image_files", program.image);
  EXPECT_EQ(r.out, "2 2\n2\nRuntime Error : ERROR " + std::to_string(errorMessageSlot(106)) + ". \n");
  RgbImage saved;
  ASSERT_TRUE(decodeBmp(readFile(dir + "/out.bmp"), saved));
  ASSERT_EQ(saved.width, 2);
  EXPECT_EQ(saved.at(0, 0), Red);
  EXPECT_EQ(saved.at(1, 0), Green);
  EXPECT_EQ(saved.at(0, 1), Blue);
  EXPECT_EQ(saved.at(1, 1), White);

  program = compiler::compileText("prog.ztb", "LOAD IMAGE \"" + dir + "/broken.bmp\", 1\n");
  r = runImage("image_files", program.image);
  EXPECT_EQ(r.out, "Runtime Error : ERROR " + std::to_string(errorMessageSlot(1003)) + ". \n");
}

}  // namespace
}  // namespace zt
