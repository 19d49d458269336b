// Image files: every bitmap layout and DirectDraw surface format decodes to the same
// colours, the 24-bit writer round-trips, and damaged files fail without harm.
#include <gtest/gtest.h>
#include <iterator>

#include "formats/bmp.h"
#include "formats/dds.h"
#include "support/image_files.h"
#include "support/memory_peak.h"

namespace zt {
namespace {

using namespace test;

constexpr uint32_t Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF, White = 0xFFFFFF;

void expectPixels(const RgbImage& img, int w, int h, std::initializer_list<uint32_t> rows) {
  ASSERT_EQ(img.width, w);
  ASSERT_EQ(img.height, h);
  EXPECT_EQ(img.pixels, std::vector<uint32_t>(rows));
}

TEST(ImageFile, PalettedBitmapsBottomUp) {
  RgbImage img;
  // 8 bits, 3 x 2: stored bottom row first, rows padded to 4 bytes.
  ASSERT_TRUE(decodeBmp(bmp(3, 2, 8, 0, palette({0, Red, Green, Blue}), bytes({3, 2, 1, 0, 1, 1, 1, 0})), img));
  expectPixels(img, 3, 2, {Red, Red, Red, Blue, Green, Red});
  // 4 bits: high nibble first.
  ASSERT_TRUE(decodeBmp(bmp(3, 1, 4, 0, palette({0, Red, Green, Blue}), bytes({0x12, 0x30, 0, 0})), img));
  expectPixels(img, 3, 1, {Red, Green, Blue});
  // 1 bit: most significant bit first.
  ASSERT_TRUE(decodeBmp(bmp(3, 1, 1, 0, palette({0, White}), bytes({0xA0, 0, 0, 0})), img));
  expectPixels(img, 3, 1, {White, 0, White});
}

TEST(ImageFile, DirectColourBitmapsTopDownAndBitFields) {
  RgbImage img;
  ASSERT_TRUE(decodeBmp(bmp(2, -2, 24, 0, "", bytes({0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0})), img));
  expectPixels(img, 2, 2, {Red, Green, Blue, White});
  // 16 bits default to 5-5-5.
  ASSERT_TRUE(decodeBmp(bmp(2, 1, 16, 0, "", bytes({0x00, 0x7C, 0x1F, 0x00})), img));
  expectPixels(img, 2, 1, {Red, Blue});
  // 16 bits with 5-6-5 masks.
  ASSERT_TRUE(decodeBmp(bmp(2, 1, 16, 3, palette({0xF800, 0x07E0, 0x001F}), bytes({0xE0, 0x07, 0x00, 0xF8})), img));
  expectPixels(img, 2, 1, {Green, Red});
  ASSERT_TRUE(decodeBmp(bmp(1, 1, 32, 0, "", bytes({0x10, 0x20, 0x30, 0x99})), img));
  expectPixels(img, 1, 1, {0x302010});
}

TEST(ImageFile, RunLengthBitmaps) {
  RgbImage img;
  // RLE8, 4 x 2, bottom-up: row 0 (bottom) = a run of one index 1, a literal of three
  // pixels {1, 2, 3} padded to an even length; end of line; row 1 = delta (2, 0), a run
  // of two index 3; end of bitmap.
  std::string rle8 = bytes({1, 1, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 0, 2, 3, 0, 1});
  ASSERT_TRUE(decodeBmp(bmp(4, 2, 8, 1, palette({0, Red, Green, Blue}), rle8), img));
  expectPixels(img, 4, 2, {0, 0, Blue, Blue, Red, Red, Green, Blue});
  // RLE4: a run of three alternating 1, 2; a literal of three {3, 0, 0} of which only the
  // first fits the row.
  std::string rle4 = bytes({3, 0x12, 0, 3, 0x30, 0x00, 0, 1});
  ASSERT_TRUE(decodeBmp(bmp(4, 1, 4, 2, palette({0, Red, Green, Blue}), rle4), img));
  expectPixels(img, 4, 1, {Red, Green, Red, Blue});
}

TEST(ImageFile, WriterRoundTripsAndLaysOutTheFile) {
  RgbImage img{3, 2, {Red, Green, Blue, White, 0, 0x123456}};
  std::string file = encodeBmp24(img);
  EXPECT_EQ(file.size(), 54u + 12u * 2);  // 9 bytes a row, padded to 12
  EXPECT_EQ(file.substr(0, 2), "BM");
  RgbImage back;
  ASSERT_TRUE(decodeBmp(file, back));
  EXPECT_EQ(back.pixels, img.pixels);
}

TEST(ImageFile, TheContentChoosesTheReader) {
  const std::string bitmap = encodeBmp24(RgbImage{1, 1, {Red}});
  const std::string surface = dds(1, 1, 0x40, 0, 32, {0xFF0000, 0xFF00, 0xFF}, bytes({0, 255, 0, 0}));
  RgbImage img;
  ASSERT_TRUE(decodeImage(bitmap, img));
  expectPixels(img, 1, 1, {Red});
  ASSERT_TRUE(decodeImage(surface, img));
  expectPixels(img, 1, 1, {Green});
  EXPECT_FALSE(decodeImage("", img));
  EXPECT_FALSE(decodeImage("not a picture at all", img));
}

TEST(ImageFile, UncompressedSurfaceFiles) {
  RgbImage img;
  ASSERT_TRUE(decodeDds(dds(2, 1, 0x41, 0, 32, {0xFF0000, 0xFF00, 0xFF}, bytes({0, 0, 255, 255, 255, 0, 0, 255})), img));
  expectPixels(img, 2, 1, {Red, Blue});
  ASSERT_TRUE(decodeDds(dds(2, 1, 0x40, 0, 16, {0xF800, 0x7E0, 0x1F}, bytes({0x1F, 0x00, 0xE0, 0x07})), img));
  expectPixels(img, 2, 1, {Blue, Green});
  ASSERT_TRUE(decodeDds(dds(2, 1, 0x20000, 0, 8, {0xFF, 0, 0}, bytes({0x80, 0xFF})), img));
  expectPixels(img, 2, 1, {0x808080, White});
}

TEST(ImageFile, CompressedSurfaceFiles) {
  RgbImage img;
  // DXT1 with c0 = red > c1 = blue: indices 0,1,2,3 on the first row, the rest 0.
  std::string block = bytes({0x00, 0xF8, 0x1F, 0x00, 0xE4, 0, 0, 0});
  ASSERT_TRUE(decodeDds(dds(4, 1, 0x4, fourCC("DXT1"), 0, {}, block), img));
  expectPixels(img, 4, 1, {Red, Blue, 0xAA0055, 0x5500AA});
  // DXT1 with c0 <= c1: the fourth colour is black (transparent).
  block = bytes({0x1F, 0x00, 0x00, 0xF8, 0xE4, 0, 0, 0});
  ASSERT_TRUE(decodeDds(dds(4, 1, 0x4, fourCC("DXT1"), 0, {}, block), img));
  expectPixels(img, 4, 1, {Blue, Red, 0x7F007F, 0});
  // DXT1 with c0 = c1 counts as c0 <= c1: the third colour is their mean, the fourth black.
  block = bytes({0x00, 0xF8, 0x00, 0xF8, 0xE4, 0, 0, 0});
  ASSERT_TRUE(decodeDds(dds(4, 1, 0x4, fourCC("DXT1"), 0, {}, block), img));
  expectPixels(img, 4, 1, {Red, Red, Red, 0});
  // DXT5: 8 bytes of alpha, then the colour block; a 2 x 2 picture takes one block.
  std::string dxt5 = std::string(8, '\xFF') + bytes({0xE0, 0x07, 0xE0, 0x07, 0, 0, 0, 0});
  ASSERT_TRUE(decodeDds(dds(2, 2, 0x4, fourCC("DXT5"), 0, {}, dxt5), img));
  expectPixels(img, 2, 2, {Green, Green, Green, Green});
}

TEST(ImageFile, DamagedFilesFailCleanly) {
  const std::string files[] = {
      bmp(3, 2, 8, 0, palette({0, Red, Green, Blue}), bytes({3, 2, 1, 0, 1, 1, 1, 0})),
      bmp(4, 2, 8, 1, palette({0, Red, Green, Blue}), bytes({1, 1, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 0, 2, 3, 0, 1})),
      bmp(2, 1, 16, 3, palette({0xF800, 0x07E0, 0x001F}), bytes({0xE0, 0x07, 0x00, 0xF8})),
      dds(4, 4, 0x4, fourCC("DXT5"), 0, {}, std::string(16, '\x11')),
      dds(2, 1, 0x41, 0, 32, {0xFF0000, 0xFF00, 0xFF}, std::string(8, '\x22')),
  };
  RgbImage img;
  for (const std::string& f : files) {
    ASSERT_TRUE(decodeImage(f, img));
    for (size_t n = 0; n < f.size(); ++n) decodeImage(f.substr(0, n), img);  // truncations
    for (size_t i = 0; i < f.size(); ++i) {
      std::string spoiled = f;
      spoiled[i] = char(spoiled[i] ^ 0xA5);
      decodeImage(spoiled, img);
    }
  }
  EXPECT_FALSE(decodeBmp(bmp(100000, 100000, 24, 0, "", ""), img));  // far too large
  EXPECT_FALSE(decodeBmp(bmp(0, 5, 24, 0, "", ""), img));
  EXPECT_FALSE(decodeBmp(bmp(2, 1, 8, 2, palette({0}), "x"), img));  // RLE4 code on an 8-bit picture
  EXPECT_FALSE(decodeDds("DDS", img));
  EXPECT_FALSE(decodeImage("GIF89a", img));
}

TEST(ImageFile, BitFieldMasksMustBeContiguous) {
  RgbImage img;
  // 10-10-10 in 32 bits: wider components keep their top 8 bits.
  ASSERT_TRUE(decodeBmp(bmp(1, 1, 32, 3, palette({0x3FF00000, 0x000FFC00, 0x000003FF}), bytes({0xFF, 0x03, 0xF0, 0x2F})),
                        img));
  expectPixels(img, 1, 1, {0xBF00FF});
  // A one-bit component is all or nothing.
  ASSERT_TRUE(decodeBmp(bmp(2, 1, 16, 3, palette({0x8000, 0x0001, 0x0002}), bytes({0x01, 0x80, 0x02, 0x00})), img));
  expectPixels(img, 2, 1, {0xFFFF00, 0x0000FF});
  // A mask with a gap (red 0xF831) would give components above 255 spilling into green.
  EXPECT_FALSE(decodeBmp(bmp(2, 1, 16, 3, palette({0xF831, 0x07C0, 0x000E}), bytes({0xFF, 0xFF, 0x31, 0xF8})), img));
  EXPECT_FALSE(decodeBmp(bmp(1, 1, 32, 3, palette({0xFF0000, 0x00FF00, 0x00000101}), bytes({0, 0, 0, 0})), img));
  EXPECT_FALSE(decodeDds(dds(1, 1, 0x40, 0, 16, {0xF831, 0x7C0, 0xE}, bytes({0xFF, 0xFF})), img));
  EXPECT_FALSE(decodeDds(dds(1, 1, 0x20000, 0, 8, {0x81, 0, 0}, bytes({0xFF})), img));
  // Luminance files use only the first mask.
  ASSERT_TRUE(decodeDds(dds(1, 1, 0x20000, 0, 8, {0xF0, 0x81, 0x81}, bytes({0xF0})), img));
  expectPixels(img, 1, 1, {White});
}

TEST(ImageFile, HeadersAreCheckedAgainstTheDataBeforeThePictureIsAllocated) {
  if (!peakMemoryMeasurable()) GTEST_SKIP() << "no peak memory figures";
  const std::string files[] = {
      bmp(8192, 8192, 24, 0, "", ""),              // a 54-byte file, no rows
      bmp(8192, -8192, 8, 1, palette({0}), "\1\1"),  // codes that stop short
      dds(3250700737u, 3250651137u, 0x40, 0, 32, {0xFF0000, 0xFF00, 0xFF}, ""),
      dds(0xFFFFFFFFu, 0xBFFFFFFFu, 0x40, 0, 32, {0xFF0000, 0xFF00, 0xFF}, ""),
      dds(8192, 8192, 0x4, fourCC("DXT1"), 0, {}, std::string(4096, '\0')),
      dds(8192, 4096, 0x20000, 0, 8, {0xFF, 0, 0}, std::string(8192 * 4095, '\0')),
  };
  RgbImage img;
  for (size_t i = 0; i < std::size(files); ++i)
    EXPECT_LT(peakRiseKb([&] { EXPECT_FALSE(decodeImage(files[i], img)) << i; }), 32 << 10) << i;
}

TEST(ImageFile, DataEndingExactlyWithThePictureIsEnough) {
  RgbImage img;
  // 2 x 2 at 24 bits: rows of 6 bytes padded to 8.
  const std::string rows = bytes({0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0});
  ASSERT_TRUE(decodeBmp(bmp(2, 2, 24, 0, "", rows), img));
  expectPixels(img, 2, 2, {Red, Red, Red, Red});
  EXPECT_FALSE(decodeBmp(bmp(2, 2, 24, 0, "", rows).substr(0, 54 + 15), img));
  const std::string lum = bytes({1, 2, 3, 4, 5, 6});
  ASSERT_TRUE(decodeDds(dds(3, 2, 0x20000, 0, 8, {0xFF, 0, 0}, lum), img));
  EXPECT_FALSE(decodeDds(dds(3, 2, 0x20000, 0, 8, {0xFF, 0, 0}, lum.substr(0, 5)), img));
  // DXT1 of 5 x 5 takes 2 x 2 blocks of 8 bytes.
  ASSERT_TRUE(decodeDds(dds(5, 5, 0x4, fourCC("DXT1"), 0, {}, std::string(32, '\0')), img));
  EXPECT_FALSE(decodeDds(dds(5, 5, 0x4, fourCC("DXT1"), 0, {}, std::string(31, '\0')), img));
  // A run-length picture whose codes end at its last row without an end-of-bitmap code.
  ASSERT_TRUE(decodeBmp(bmp(2, 1, 8, 1, palette({0, Red}), bytes({2, 1, 0, 0})), img));
  expectPixels(img, 2, 1, {Red, Red});
  EXPECT_FALSE(decodeBmp(bmp(2, 1, 8, 1, palette({0, Red}), bytes({2, 1, 0})), img));
}

TEST(ImageFile, PicturesUpToTwoToThe26PixelsAreAccepted) {
  RgbImage img;
  const std::string endOfBitmap = bytes({0, 1});  // every pixel skipped: black
  ASSERT_TRUE(decodeBmp(bmp(1 << 26, 1, 8, 1, palette({0}), endOfBitmap), img));
  EXPECT_EQ(img.pixels.size(), size_t(1) << 26);
  ASSERT_TRUE(decodeBmp(bmp(1 << 13, -(1 << 13), 8, 1, palette({0}), endOfBitmap), img));
  img = {};
  EXPECT_FALSE(decodeBmp(bmp((1 << 26) + 1, 1, 8, 1, palette({0}), endOfBitmap), img));
  EXPECT_FALSE(decodeBmp(bmp(1 << 13, (1 << 13) + 1, 8, 1, palette({0}), endOfBitmap), img));
  EXPECT_FALSE(decodeDds(dds(1u << 26, 2, 0x4, fourCC("DXT1"), 0, {}, ""), img));
  EXPECT_FALSE(decodeDds(dds(1u << 31, 1u << 31, 0x4, fourCC("DXT1"), 0, {}, ""), img));
}

}  // namespace
}  // namespace zt
