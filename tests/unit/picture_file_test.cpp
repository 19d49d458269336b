// Picture files of the common formats: PNG, JPEG and GIF written by the reference
// libraries and Targa files built field by field decode to the right sizes and colours,
// the content decides the format, the PNG writer round-trips, and damaged or hostile
// files fail without harm.
#include <gtest/gtest.h>
#include <utility>

#include <zlib.h>

#include "formats/tga.h"
#include "platform/pictures.h"
#include "support/image_files.h"
#include "support/memory_peak.h"
#include "support/picture_files.h"

namespace zt {
namespace {

using namespace test;

constexpr uint32_t Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF, White = 0xFFFFFF;

void expectPixels(const RgbImage& img, int w, int h, const std::vector<uint32_t>& pixels) {
  ASSERT_EQ(img.width, w);
  ASSERT_EQ(img.height, h);
  EXPECT_EQ(img.pixels, pixels);
}

// A 16 x 16 picture of four flat quarters, for the lossy format.
RgbImage quarters() {
  RgbImage img{16, 16, std::vector<uint32_t>(256)};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) img.pixels[size_t(y * 16 + x)] = y < 8 ? (x < 8 ? Red : Green) : (x < 8 ? Blue : White);
  return img;
}

// Each component within `tolerance` of the original, away from the quarters' edges,
// where the lossy coding blurs.
void expectNear(const RgbImage& got, const RgbImage& want, int tolerance) {
  ASSERT_EQ(got.width, want.width);
  ASSERT_EQ(got.height, want.height);
  for (int y : {1, 6, 9, 14})
    for (int x : {1, 6, 9, 14})
      for (int shift : {0, 8, 16})
        EXPECT_NEAR(int(got.at(x, y) >> shift & 255), int(want.at(x, y) >> shift & 255), tolerance)
            << x << "," << y << " shift " << shift;
}

TEST(PictureFile, PngInEveryColourTypeTheLibraryWrites) {
  RgbImage img;
  const RgbImage original{3, 2, {Red, Green, Blue, White, 0, 0x123456}};
  std::string file;
  ASSERT_TRUE(encodePng(original, file));
  EXPECT_EQ(file.substr(0, 8), "\x89PNG\r\n\x1A\n");
  ASSERT_TRUE(decodePicture(file, img));
  expectPixels(img, 3, 2, original.pixels);

  // Alpha lays the colour over black: opaque stays, transparent is black, half is half.
  ASSERT_TRUE(decodePng(pngRgba(4, 1, {0xFF102030, 0x00FFFFFF, 0x80FF0000, 0x01FFFFFF}), img));
  expectPixels(img, 4, 1, {0x102030, 0, 0x800000, 0x010101});

  // A palette of three colours, one of them half transparent.
  ASSERT_TRUE(decodePng(pngPalette(3, 2, {0, 1, 2, 2, 1, 0}, {0xFFFF0000, 0xFF0000FF, 0x80FFFFFF}), img));
  expectPixels(img, 3, 2, {Red, Blue, 0x808080, 0x808080, Blue, Red});
}

TEST(PictureFile, JpegWithinTheLossOfItsCoding) {
  const RgbImage original = quarters();
  RgbImage img;
  ASSERT_TRUE(decodePicture(jpeg(original, 95, false), img));
  expectNear(img, original, 12);
  ASSERT_TRUE(decodePicture(jpeg(original, 95, true), img));  // progressive
  expectNear(img, original, 12);
  // Grey files come out grey in every component.
  RgbImage grey{2, 8, std::vector<uint32_t>(16, 0x606060)};
  ASSERT_TRUE(decodeJpeg(jpeg(grey, 95, false, true), img));
  ASSERT_EQ(img.width, 2);
  for (uint32_t p : img.pixels) EXPECT_TRUE((p & 0xFF) == (p >> 8 & 0xFF) && (p & 0xFF) == p >> 16 && (p & 0xFF) > 0x58);
}

TEST(PictureFile, GifFirstFrameOnItsScreen) {
  RgbImage img;
  const std::vector<uint32_t> colours = {Red, Green, Blue};
  // A 2 x 2 frame at (1, 1) on a 4 x 3 screen, index 2 transparent; the second frame,
  // covering everything, is not shown.
  const GifFrame first{1, 1, 2, 2, false, {0, 1, 2, 0}, 2};
  const GifFrame second{0, 0, 4, 3, false, std::vector<uint8_t>(12, 1)};
  ASSERT_TRUE(decodePicture(gif(4, 3, colours, {first, second}), img));
  expectPixels(img, 4, 3, {0, 0, 0, 0, 0, Red, Green, 0, 0, 0, Red, 0});
  // Interlaced rows are stored 0, 8 / 4 / 2, 6 / 1, 3, 5, 7, 9; row y has colour y % 3.
  GifFrame interlaced{0, 0, 1, 10, true, {}, -1};
  for (int y : {0, 8, 4, 2, 6, 1, 3, 5, 7, 9}) interlaced.rows.push_back(uint8_t(y % 3));
  ASSERT_TRUE(decodeGif(gif(1, 10, colours, {interlaced}), img));
  expectPixels(img, 1, 10, {Red, Green, Blue, Red, Green, Blue, Red, Green, Blue, Red});
  // A frame reaching past a smaller screen widens the picture.
  ASSERT_TRUE(decodeGif(gif(1, 1, colours, {GifFrame{1, 0, 1, 2, false, {1, 2}}}), img));
  expectPixels(img, 2, 2, {0, Green, 0, Blue});
}

TEST(PictureFile, TargaTrueColourInEveryDepthAndOrigin) {
  RgbImage img;
  // 24 bits, bottom-up (the default): blue, green, red bytes.
  ASSERT_TRUE(decodePicture(tga(2, 2, 2, 24, 0, bytes({0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255})), img));
  expectPixels(img, 2, 2, {Blue, White, Red, Green});
  // 32 bits with 8 alpha bits, top-down, right to left.
  ASSERT_TRUE(decodeTga(tga(2, 2, 1, 32, 0x38, bytes({0, 0, 255, 255, 255, 255, 255, 0x80})), img));
  expectPixels(img, 2, 1, {0x808080, Red});
  // 32 bits whose alpha bytes are all zero: an opaque picture.
  ASSERT_TRUE(decodeTga(tga(2, 2, 1, 32, 0x28, bytes({0, 0, 255, 0, 255, 0, 0, 0})), img));
  expectPixels(img, 2, 1, {Red, Blue});
  // 16 bits, 5-5-5, top-down.
  ASSERT_TRUE(decodeTga(tga(2, 2, 1, 16, 0x20, bytes({0x00, 0x7C, 0x1F, 0x00})), img));
  expectPixels(img, 2, 1, {Red, Blue});
}

TEST(PictureFile, TargaMappedGreyAndRunLength) {
  RgbImage img;
  // Colour-mapped: entries 5 to 6 (24-bit), indices must fall among them.
  const std::string map = bytes({0, 0, 255, 255, 0, 0});
  ASSERT_TRUE(decodeTga(tga(1, 2, 1, 8, 0x20, bytes({6, 5}), 24, 2, 5, map), img));
  expectPixels(img, 2, 1, {Blue, Red});
  EXPECT_FALSE(decodeTga(tga(1, 2, 1, 8, 0x20, bytes({6, 7}), 24, 2, 5, map), img));
  EXPECT_FALSE(decodeTga(tga(1, 2, 1, 8, 0x20, bytes({4, 5}), 24, 2, 5, map), img));
  ASSERT_TRUE(decodeTga(tga(3, 2, 1, 8, 0x20, bytes({0x40, 0xFF})), img));
  expectPixels(img, 2, 1, {0x404040, White});
  // Run-length, 3 x 2 top-down: a run of four red crossing the row's end, then two
  // literal pixels.
  ASSERT_TRUE(decodeTga(tga(10, 3, 2, 24, 0x20, bytes({0x83, 0, 0, 255, 1, 255, 0, 0, 0, 255, 0})), img));
  expectPixels(img, 3, 2, {Red, Red, Red, Red, Blue, Green});
  // Grey and colour-mapped run-length.
  ASSERT_TRUE(decodeTga(tga(11, 3, 1, 8, 0x20, bytes({0x82, 0x10})), img));
  expectPixels(img, 3, 1, {0x101010, 0x101010, 0x101010});
  ASSERT_TRUE(decodeTga(tga(9, 3, 1, 8, 0x20, bytes({0x00, 5, 0x81, 6}), 24, 2, 5, map), img));
  expectPixels(img, 3, 1, {Red, Blue, Blue});
}

// The content decides: no name is involved, and what is none of the formats fails.
TEST(PictureFile, TheContentDecidesTheFormat) {
  RgbImage img;
  ASSERT_TRUE(decodePicture(bmp(1, 1, 24, 0, "", bytes({0, 0, 255, 0})), img));
  expectPixels(img, 1, 1, {Red});
  for (const char* text : {"", "hello, world", "GIF89a", "\x89PNG\r\n\x1A\n", "\xFF\xD8\xFF\xE0"})
    EXPECT_FALSE(decodePicture(text, img)) << text;
  // Targa headers that are not consistent are not taken for pictures.
  EXPECT_FALSE(decodeTga(tga(4, 1, 1, 24, 0, bytes({1, 2, 3})), img));    // no such type
  EXPECT_FALSE(decodeTga(tga(8, 1, 1, 8, 0, bytes({0, 1, 2, 3})), img));   // run-length of no picture
  EXPECT_FALSE(decodeTga(tga(0x60, 1, 1, 8, 0, bytes({1, 2, 3, 4})), img));
  EXPECT_FALSE(decodeTga(tga(2, 1, 1, 12, 0, bytes({1, 2, 3})), img));    // no such depth
  EXPECT_FALSE(decodeTga(tga(1, 1, 1, 8, 0, bytes({0})), img));           // mapped without a map
  EXPECT_FALSE(decodeTga(tga(2, 1, 1, 24, 0xC0, bytes({1, 2, 3})), img));  // interleaved rows
  EXPECT_FALSE(decodeTga(tga(2, 0, 1, 24, 0, ""), img));
}

// Every truncation that cuts into the picture fails (a PNG may lose its end chunk, a GIF
// its trailer, as the picture is whole without them) and no spoiled byte does harm.
TEST(PictureFile, DamagedFilesFailCleanly) {
  const RgbImage picture = quarters();
  std::string png;
  ASSERT_TRUE(encodePng(picture, png));
  const std::vector<uint8_t> indices(16 * 16, 1);
  const std::string files[] = {
      png,
      pngPalette(3, 2, {0, 1, 2, 2, 1, 0}, {0xFFFF0000, 0xFF0000FF, 0x80FFFFFF}),
      jpeg(picture, 90, false),
      jpeg(picture, 90, true),
      gif(16, 16, {Red, Green}, {GifFrame{0, 0, 16, 16, true, indices}}),
      tga(10, 3, 2, 24, 0x20, bytes({0x83, 0, 0, 255, 1, 255, 0, 0, 0, 255, 0})),
      tga(1, 2, 1, 8, 0x20, bytes({6, 5}), 24, 2, 5, bytes({0, 0, 255, 255, 0, 0})),
  };
  RgbImage img;
  for (const std::string& f : files) {
    ASSERT_TRUE(decodePicture(f, img));
    const size_t whole = f.starts_with("GIF") ? f.size() - 1 : f.starts_with("\x89PNG") ? f.size() - 12 : f.size();
    for (size_t n = 0; n < whole; ++n) EXPECT_FALSE(decodePicture(f.substr(0, n), img)) << n << " of " << f.size();
    for (size_t i = 0; i < f.size(); ++i) {
      std::string spoiled = f;
      spoiled[i] = char(spoiled[i] ^ 0xA5);
      if (decodePicture(spoiled, img)) {
        EXPECT_EQ(img.pixels.size(), size_t(img.width) * size_t(img.height));
      }
    }
  }
}

// Sets the big-endian 16-bit height and width of a JPEG's frame header.
std::string withJpegSize(std::string f, int w, int h) {
  const size_t sof = f.find("\xFF\xC0");
  f[sof + 5] = char(h >> 8);
  f[sof + 6] = char(h);
  f[sof + 7] = char(w >> 8);
  f[sof + 8] = char(w);
  return f;
}

// Sets a PNG's width and height and recomputes the header's checksum.
std::string withPngSize(std::string f, uint32_t w, uint32_t h) {
  for (int i = 0; i < 4; ++i) {
    f[16 + size_t(i)] = char(w >> (24 - 8 * i));
    f[20 + size_t(i)] = char(h >> (24 - 8 * i));
  }
  const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const unsigned char*>(f.data()) + 12, 17));
  for (int i = 0; i < 4; ++i) f[29 + size_t(i)] = char(crc >> (24 - 8 * i));
  return f;
}

TEST(PictureFile, HeadersAreCheckedAgainstTheDataBeforeThePictureIsAllocated) {
  if (!peakMemoryMeasurable()) GTEST_SKIP() << "no peak memory figures";
  std::string png;
  ASSERT_TRUE(encodePng(quarters(), png));
  std::string wideGif = gif(16, 16, {Red, Green}, {GifFrame{0, 0, 16, 16, false, std::vector<uint8_t>(256)}});
  // The frame's descriptor follows the 13-byte screen and the 6-byte map: make the frame
  // 8192 x 8000 on the data of 16 x 16.
  for (auto [at, v] : {std::pair{24, 8192}, std::pair{26, 8000}}) {
    wideGif[size_t(at)] = char(v & 255);
    wideGif[size_t(at) + 1] = char(v >> 8);
  }
  const std::pair<const char*, std::string> files[] = {
      {"png", withPngSize(png, 8192, 8192)},
      {"jpeg", withJpegSize(jpeg(quarters(), 90, false), 8192, 8192)},
      {"gif", wideGif},
      {"run-length tga", tga(10, 8192, 8192, 24, 0, std::string(4096, '\xFF'))},
      {"tga", tga(2, 8192, 8192, 32, 0, std::string(1 << 20, '\0'))},
  };
  RgbImage img;
  for (const auto& file : files) {
    EXPECT_LT(peakRiseKb([&] { EXPECT_FALSE(decodePicture(file.second, img)) << file.first; }), 32 << 10) << file.first;
  }
}

TEST(PictureFile, PicturesUpToTwoToThe26PixelsAreAccepted) {
  RgbImage img;
  // Run-length grey: packets of 128 pixels, two bytes each.
  std::string runs;
  for (int i = 0; i < (1 << 26) / 128; ++i) runs += bytes({0xFF, 0});
  ASSERT_TRUE(decodeTga(tga(11, 8192, 8192, 8, 0, runs), img));
  EXPECT_EQ(img.pixels.size(), size_t(1) << 26);
  img = {};
  EXPECT_FALSE(decodeTga(tga(11, 8192, 8193, 8, 0, runs + runs), img));
  // A GIF's screen may be larger than its frame: the rest is black.
  const GifFrame dot{0, 0, 1, 1, false, {1}};
  ASSERT_TRUE(decodeGif(gif(8192, 8192, {Red, Green}, {dot}), img));
  EXPECT_EQ(img.pixels.size(), size_t(1) << 26);
  EXPECT_EQ(img.at(0, 0), Green);
  img = {};
  EXPECT_FALSE(decodeGif(gif(8192, 8193, {Red, Green}, {dot}), img));
}

}  // namespace
}  // namespace zt
