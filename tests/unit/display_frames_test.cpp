// The 2D display seen in its frames: programs run headless with the virtual clock, a frame
// is dumped as a bitmap file and its pixels are checked. Also the run-time errors of the
// bitmap and display commands, each raised by a small program, in their check order.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "compiler/compiler.h"
#include "core/errors.h"
#include "formats/bmp.h"
#include "platform/pictures.h"
#include "support/image_builder.h"
#include "support/image_files.h"
#include "support/picture_files.h"

namespace zt {
namespace {

using namespace test;

constexpr uint32_t Black = 0, White = 0xFFFFFF, Red = 0xFF0000, Blue = 0x0000FF;

std::string compiled(const std::string& source) {
  compiler::CompileResult r = compiler::compileText("prog.ztb", source);
  EXPECT_TRUE(r.ok) << r.messages;
  return r.image;
}

// Runs `source` for `frames` frames and returns frame `dump` (counted from 1).
RgbImage frameOf(const std::string& name, const std::string& source, int frames, int dump,
                 const std::string& setupIni = "") {
  RunResult run = runImage(name, compiled(source),
                           {"--frames", std::to_string(frames), "--dump-frame", std::to_string(dump) + ":frame.bmp"},
                           setupIni);
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  RgbImage image;
  EXPECT_TRUE(decodeBmp(readFile(run.dir + "/frame.bmp"), image)) << name;
  return image;
}

int litPixels(const RgbImage& img, int left, int top, int right, int bottom) {
  int n = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) n += img.at(x, y) != Black;
  return n;
}

// A folder outside the programs' own for the pictures they load.
std::string mediaFolder(const std::string& name) {
  std::filesystem::path dir = std::filesystem::path(ZT_TEST_WORK_DIR) / ("media_" + name);
  std::filesystem::create_directories(dir);
  return dir.string() + "/";
}

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

TEST(DisplayFrames, PrimitivesFillExactlyTheirPixels) {
  RgbImage f = frameOf("primitives",
                       "SYNC ON\n"
                       "BOX 0, 0, 9, 9\n"
                       "BOX 30, 30, 30, 30\n"
                       "LINE 50, 50, 53, 54\n"
                       "LINE 70, 10, 70, 10\n"
                       "CIRCLE 80, 80, 0\n"
                       "CIRCLE 200, 200, 50\n"
                       "BOX 20, 100, 10, 110\n"
                       "LINE -1000, 300, 100000, 300\n"
                       "DO : SYNC : LOOP\n",
                       6, 6);
  ASSERT_EQ(f.width, 640);
  EXPECT_EQ(litPixels(f, 0, 0, 25, 25), 100);
  EXPECT_EQ(f.at(9, 9), White);
  EXPECT_EQ(litPixels(f, 25, 25, 45, 45), 1);
  EXPECT_EQ(f.at(30, 30), White);
  // Six steps of (0.6, 0.8) summed from (50, 50); the first two truncate to the same
  // pixel, and the sum of the last ends just below 54, so the end point stays dark.
  EXPECT_EQ(litPixels(f, 45, 45, 60, 60), 5);
  EXPECT_EQ(f.at(50, 50), White);
  EXPECT_EQ(f.at(51, 52), White);
  EXPECT_EQ(f.at(53, 53), White);
  EXPECT_EQ(f.at(53, 54), Black);
  EXPECT_EQ(litPixels(f, 65, 5, 75, 15), 1);
  EXPECT_EQ(litPixels(f, 75, 75, 90, 90), 1);
  EXPECT_EQ(f.at(80, 80), White);
  // The circle's outline passes through its four extreme points and not its centre.
  EXPECT_EQ(f.at(250, 200), White);
  EXPECT_EQ(f.at(200, 250), White);
  EXPECT_EQ(f.at(150, 200), White);
  EXPECT_EQ(f.at(200, 200), Black);
  EXPECT_EQ(litPixels(f, 0, 95, 40, 115), 0);  // a box with right before left is empty
  EXPECT_EQ(litPixels(f, 0, 300, 640, 301), 640);  // a line far past both edges, clipped
}

TEST(DisplayFrames, ClearInkAndPrintedLines) {
  RgbImage f = frameOf("cls_ink_print",
                       "CLS RGB(0, 0, 255)\n"
                       "INK RGB(255, 0, 0), RGB(0, 0, 255)\n"
                       "INK -1, RGB(0, 0, 255)\n"
                       "DOT 600, 400\n"
                       "PRINT \"Line\"\n"
                       "PRINT \"Next\"\n"
                       "PRINTC \"ab\"\n"
                       "PRINTC \"c\"\n"
                       "DO : SYNC : LOOP\n",
                       12, 12);
  EXPECT_EQ(f.at(639, 479), Blue);
  EXPECT_EQ(f.at(600, 400), Red);  // INK -1 kept the foreground
  // Text pixels are red on blue: the first line in rows 0 to 15, the next 16 lower, the
  // PRINTC texts on the third line one after the other.
  auto text = [&](int top, int left, int right) {
    int n = 0;
    for (int y = top; y < top + 16; ++y)
      for (int x = left; x < right; ++x) n += f.at(x, y) == Red;
    return n;
  };
  EXPECT_GT(text(0, 0, 32), 10);
  EXPECT_GT(text(16, 0, 32), 10);
  EXPECT_GT(text(32, 0, 16), 5);
  EXPECT_GT(text(32, 16, 24), 3);
  EXPECT_EQ(text(48, 0, 640), 0);
  EXPECT_EQ(text(0, 40, 640), 0);
}

TEST(DisplayFrames, ManualRefreshShowsEverythingAtTheFirstSync) {
  const std::string dots = "FOR i = 0 TO 99 : DOT i * 2, 0 : NEXT i\nDO : SYNC : LOOP\n";
  EXPECT_EQ(litPixels(frameOf("sync_on", "SYNC ON\n" + dots, 4, 4), 0, 0, 640, 1), 100);
  // Automatic refresh shows each dot in its own frame.
  EXPECT_LT(litPixels(frameOf("sync_off", dots, 4, 4), 0, 0, 640, 1), 4);
}

TEST(DisplayFrames, ManualRefreshEndsTheSliceWhenTheListIsLong) {
  // No SYNC: the first 32000-odd dots are shown once the list is that long; the dots
  // after them wait for the next frame.
  RgbImage f = frameOf("long_list",
                       "SYNC ON\nFOR i = 1 TO 33000 : DOT 5, 5 : NEXT i\nFOR i = 1 TO 10 : DOT 6, 6 : NEXT i\n"
                       "WAIT 1000\n",
                       4, 4);
  EXPECT_EQ(f.at(5, 5), White);
  EXPECT_EQ(f.at(6, 6), Black);
}

TEST(DisplayFrames, LaterDrawingCoversEarlier) {
  for (const char* order : {"DRAW TO FRONT", "DRAW TO BACK"}) {
    RgbImage f = frameOf("draw_order",
                         std::string(order) +
                             "\nINK RGB(255, 0, 0), 0\nBOX 0, 0, 19, 19\nINK RGB(0, 0, 255), 0\nBOX 10, 10, 29, 29\n"
                             "DO : SYNC : LOOP\n",
                         8, 8);
    EXPECT_EQ(f.at(5, 5), Red) << order;
    EXPECT_EQ(f.at(15, 15), Blue) << order;
  }
}

TEST(DisplayFrames, BitmapCopyMirrorBlurAndFade) {
  RgbImage f = frameOf("bitmap_ops",
                       "SYNC ON\n"
                       "CREATE BITMAP 1, 32, 32\n"
                       "DOT 5, 5\n"
                       "BLUR BITMAP 1, 1\n"
                       "CREATE BITMAP 2, 32, 32\n"
                       "BOX 0, 0, 3, 1\n"
                       "MIRROR BITMAP 2\n"
                       "CREATE BITMAP 3, 32, 32\n"
                       "BOX 0, 0, 3, 1\n"
                       "MIRROR BITMAP 3 : MIRROR BITMAP 3\n"
                       "CREATE BITMAP 4, 8, 8\n"
                       "CLS RGB(255, 255, 255)\n"
                       "FADE BITMAP 4, 0\n"
                       "CREATE BITMAP 5, 4, 4\n"
                       "DOT 0, 0\n"
                       "SET CURRENT BITMAP 0\n"
                       "CLS RGB(0, 255, 0)\n"
                       "COPY BITMAP 1, 0, 0, 31, 31, 0, 0, 0, 31, 31\n"
                       "COPY BITMAP 2, 0, 0, 31, 31, 0, 100, 0, 131, 31\n"
                       "COPY BITMAP 3, 0, 0, 31, 31, 0, 200, 0, 231, 31\n"
                       "COPY BITMAP 4, 0, 0, 7, 7, 0, 300, 0, 307, 7\n"
                       "COPY BITMAP 5, 0, 0, 3, 3, 0, 400, 0, 407, 7\n"
                       "DO : SYNC : LOOP\n",
                       20, 20);
  // The single white pixel spreads over a 2 x 2 block, a quarter each.
  const uint32_t quarter = 57 << 16 | 60 << 8 | 57;
  EXPECT_EQ(f.at(5, 5), quarter);
  EXPECT_EQ(f.at(6, 5), quarter);
  EXPECT_EQ(f.at(5, 6), quarter);
  EXPECT_EQ(f.at(6, 6), quarter);
  EXPECT_EQ(litPixels(f, 0, 0, 32, 32), 4);
  // Mirrored once: the box sits at the right edge; twice: back at the left.
  EXPECT_EQ(f.at(131, 0), White);
  EXPECT_EQ(f.at(128, 1), White);
  EXPECT_EQ(f.at(100, 0), Black);
  EXPECT_EQ(litPixels(f, 100, 0, 132, 32), 8);
  EXPECT_EQ(f.at(200, 0), White);
  EXPECT_EQ(litPixels(f, 200, 0, 232, 32), 8);
  EXPECT_EQ(litPixels(f, 300, 0, 308, 8), 0);  // faded to black
  // A 4 x 4 region stretched to 8 x 8: the dot becomes 2 x 2.
  EXPECT_EQ(litPixels(f, 400, 0, 408, 8), 4);
  EXPECT_EQ(f.at(401, 1), White);
  EXPECT_EQ(f.at(420, 20), 0x00FF00u);
}

TEST(DisplayFrames, LoadedPicturesAndSavedBitmaps) {
  const std::string media = mediaFolder("pictures");
  // 2 x 2 pictures: red, green / blue, white, top row first.
  writeFile(media + "pal8.bmp", bmp(2, 2, 8, 0, palette({0, Red, 0x00FF00, Blue, White}), bytes({3, 4, 0, 0, 1, 2, 0, 0})));
  writeFile(media + "rgb24.bmp", bmp(2, -2, 24, 0, "", bytes({0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0})));
  writeFile(media + "rle8.bmp", bmp(2, 2, 8, 1, palette({0, Red, 0x00FF00, Blue, White}), bytes({1, 3, 1, 4, 0, 0, 1, 1, 1, 2, 0, 0, 0, 1})));
  // DXT1, red and blue end points: the first row red, blue, the second both red.
  writeFile(media + "dxt1.dds", dds(2, 2, 0x4, fourCC("DXT1"), 0, {}, bytes({0x00, 0xF8, 0x1F, 0x00, 0x04, 0, 0, 0})));
  writeFile(media + "broken.bmp", "BM not really");
  std::string source = "SYNC ON\n";
  const char* files[] = {"pal8.bmp", "rgb24.bmp", "rle8.bmp", "dxt1.dds"};
  for (int i = 0; i < 4; ++i)
    source += "LOAD BITMAP \"" + media + files[i] + "\", " + std::to_string(i + 1) + "\n";
  source += "SAVE BITMAP \"" + media + "saved.bmp\", 1\n";
  source += "LOAD BITMAP \"" + media + "saved.bmp\", 6\n";
  source += "SET CURRENT BITMAP 0\n";
  for (int i = 1; i <= 4; ++i) source += "COPY BITMAP " + std::to_string(i) + ", 0, 0, 1, 1, 0, " + std::to_string(i * 10) + ", 0, " + std::to_string(i * 10 + 1) + ", 1\n";
  source += "COPY BITMAP 6, 0, 0, 1, 1, 0, 60, 0, 61, 1\nDO : SYNC : LOOP\n";
  RgbImage f = frameOf("pictures", source, 20, 20);
  for (int x : {10, 20, 30, 60}) {
    EXPECT_EQ(f.at(x, 0), Red) << x;
    EXPECT_EQ(f.at(x + 1, 0), 0x00FF00u) << x;
    EXPECT_EQ(f.at(x, 1), Blue) << x;
    EXPECT_EQ(f.at(x + 1, 1), White) << x;
  }
  EXPECT_EQ(f.at(40, 0), Red);
  EXPECT_EQ(f.at(41, 0), Blue);
  EXPECT_EQ(f.at(40, 1), Red);

  RunResult r = runImage("picture_size", compiled("LOAD BITMAP \"" + media + "pal8.bmp\", 3\nPRINT BITMAP WIDTH(3); \" \"; CURRENT BITMAP()\n"
                                                  "LOAD BITMAP \"" + media + "broken.bmp\", 4\n"));
  EXPECT_EQ(r.out, "2 3\nRuntime Error : ERROR " + std::to_string(errorMessageSlot(1003)) + ". \n");
}

// PNG, JPEG, Targa and GIF pictures load by their content, whatever their names; SAVE
// BITMAP writes a PNG for a name ending in ".png" in any letter case, a BMP otherwise.
TEST(DisplayFrames, PicturesOfEveryFormatLoadByContentAndSaveAsNamed) {
  const std::string media = mediaFolder("formats");
  constexpr uint32_t Green = 0x00FF00;
  // 2 x 2 pictures: red, green / blue, white.
  const RgbImage four{2, 2, {Red, Green, Blue, White}};
  std::string png;
  ASSERT_TRUE(encodePng(four, png));
  writeFile(media + "four.png", png);
  writeFile(media + "four.tga", tga(2, 2, 2, 24, 0x20, bytes({0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255})));
  writeFile(media + "four.gif", gif(2, 2, {Red, Green, Blue, White}, {GifFrame{0, 0, 2, 2, false, {0, 1, 2, 3}}}));
  writeFile(media + "four.dat", pngPalette(2, 2, {0, 1, 2, 3}, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));
  writeFile(media + "png named.bmp", png);
  writeFile(media + "alpha.png", pngRgba(2, 2, {0xFFFF0000, 0x00FFFFFF, 0xFFFFFFFF, 0x000000FF}));
  RgbImage squares{16, 16, std::vector<uint32_t>(256, Red)};  // red above, blue below
  std::fill(squares.pixels.begin() + 128, squares.pixels.end(), Blue);
  writeFile(media + "squares.jpg", jpeg(squares, 95, false));
  std::string source = "SYNC ON\n";
  const char* files[] = {"four.png", "four.tga", "four.gif", "four.dat", "png named.bmp", "alpha.png"};
  for (int i = 0; i < 6; ++i) source += "LOAD BITMAP \"" + media + files[i] + "\", " + std::to_string(i + 1) + "\n";
  source += "LOAD BITMAP \"" + media + "squares.jpg\", 7\n";
  source += "SAVE BITMAP \"" + media + "saved.PNG\", 1\nSAVE BITMAP \"" + media + "saved.bmp\", 1\n";
  source += "SET CURRENT BITMAP 0\n";
  for (int i = 1; i <= 6; ++i) source += "COPY BITMAP " + std::to_string(i) + ", 0, 0, 1, 1, 0, " + std::to_string(i * 10) + ", 0, " + std::to_string(i * 10 + 1) + ", 1\n";
  source += "COPY BITMAP 7, 0, 0, 15, 15, 0, 100, 0, 115, 15\n";
  source += "SYNC\nSAVE BITMAP \"" + media + "shot.pNg\"\nDO : SYNC : LOOP\n";
  RgbImage f = frameOf("formats", source, 20, 20);
  for (int x : {10, 20, 30, 40, 50}) {
    EXPECT_EQ(f.at(x, 0), Red) << x;
    EXPECT_EQ(f.at(x + 1, 0), Green) << x;
    EXPECT_EQ(f.at(x, 1), Blue) << x;
    EXPECT_EQ(f.at(x + 1, 1), White) << x;
  }
  // Transparent parts are black.
  EXPECT_EQ(f.at(60, 0), Red);
  EXPECT_EQ(f.at(61, 0), Black);
  EXPECT_EQ(f.at(60, 1), White);
  EXPECT_EQ(f.at(61, 1), Black);
  for (int y : {2, 5, 10, 13}) {  // away from the edge the lossy coding blurs
    const uint32_t p = f.at(107, y), want = y < 8 ? Red : Blue;
    for (int shift : {0, 8, 16}) EXPECT_NEAR(int(p >> shift & 255), int(want >> shift & 255), 16) << y;
  }

  const std::string saved = readFile(media + "saved.PNG");
  EXPECT_TRUE(saved.starts_with("\x89PNG\r\n\x1A\n"));
  RgbImage back;
  ASSERT_TRUE(decodePng(saved, back));
  EXPECT_EQ(back.width, 2);
  EXPECT_EQ(back.pixels, four.pixels);
  EXPECT_TRUE(readFile(media + "saved.bmp").starts_with("BM"));
  ASSERT_TRUE(decodePng(readFile(media + "shot.pNg"), back));  // the screen capture
  EXPECT_EQ(back.width, 640);
  EXPECT_EQ(back.at(10, 0), Red);

  writeFile(media + "cut.png", png.substr(0, png.size() / 2));
  RunResult r = runImage("picture_formats", compiled("LOAD BITMAP \"" + media + "squares.jpg\", 3\nPRINT BITMAP WIDTH(3); \" \"; BITMAP HEIGHT(3)\n"
                                                     "LOAD BITMAP \"" + media + "cut.png\", 4\n"));
  EXPECT_EQ(r.out, "16 16\nRuntime Error : ERROR " + std::to_string(errorMessageSlot(1003)) + ". \n");
}

TEST(DisplayFrames, ScreenDrawingReachesBothBuffersOfTheChain) {
  RunResult run = runImage("both_buffers", compiled("DOT 7, 7\nDO : SYNC : LOOP\n"),
                           {"--frames", "9", "--dump-frame", "8:a.bmp", "--dump-frame", "9:b.bmp"});
  RgbImage a, b;
  ASSERT_TRUE(decodeBmp(readFile(run.dir + "/a.bmp"), a));
  ASSERT_TRUE(decodeBmp(readFile(run.dir + "/b.bmp"), b));
  EXPECT_EQ(a.at(7, 7), White);
  EXPECT_EQ(b.at(7, 7), White);
}

TEST(DisplayFrames, WindowModeShowsANewModeWithoutFlipping) {
  RgbImage f = frameOf("window_mode", "SET DISPLAY MODE 320, 200, 32\nDOT 319, 199\nDO : SYNC : LOOP\n", 6, 6,
                       "[SETTINGS]\nWINDOWMODE=1\n");
  ASSERT_EQ(f.width, 320);
  ASSERT_EQ(f.height, 200);
  EXPECT_EQ(f.at(319, 199), White);
}

TEST(DisplayFrames, GammaShowsOnScreenButNotInCaptures) {
  RunResult run = runImage("gamma", compiled("SET GAMMA 128, 256, 511\nDOT 0, 0\nSAVE BITMAP \"shot.bmp\"\n"
                                             "DO : SYNC : LOOP\n"),
                           {"--frames", "8", "--dump-frame", "8:frame.bmp"});
  RgbImage shown, shot;
  ASSERT_TRUE(decodeBmp(readFile(run.dir + "/frame.bmp"), shown));
  ASSERT_TRUE(decodeBmp(readFile(run.dir + "/shot.bmp"), shot));
  EXPECT_EQ(shown.at(0, 0), 0x7FFFFFu);  // red halved, blue pushed to full
  EXPECT_EQ(shown.at(1, 0), 0x0000FFu);
  ASSERT_EQ(shot.width, 640);
  EXPECT_EQ(shot.at(0, 0), White);
  EXPECT_EQ(shot.at(1, 0), Black);
}

TEST(DisplayFrames, GammaOutsideItsRangeIsAWarningThatChangesNothing) {
  // 0 and 511 are the ends of the range; -1 and 512 are ignored and the program goes on.
  RunResult run = runImage("gamma_range",
                           compiled("SET GAMMA 0, 511, 256\nSET GAMMA 512, 256, 256\nSET GAMMA 256, -1, 256\n"
                                    "DOT 0, 0\nPRINT \"went on\"\nDO : SYNC : LOOP\n"),
                           {"--frames", "8", "--dump-frame", "8:frame.bmp"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "went on\n");
  RgbImage shown;
  ASSERT_TRUE(decodeBmp(readFile(run.dir + "/frame.bmp"), shown));
  EXPECT_EQ(shown.at(0, 0), 0x00FFFFu);  // red at 0 is dark, green at 511 full
  EXPECT_EQ(shown.at(1, 0), 0x00FF00u);
}

TEST(DisplayFrames, BlurEightAveragesANineByNineBox) {
  RgbImage f = frameOf("blur_eight",
                       "SET DISPLAY MODE 640, 480, 32\nSYNC ON\n"
                       "CREATE BITMAP 1, 40, 40\nBOX 10, 10, 18, 18\nBLUR BITMAP 1, 8\n"
                       "SET CURRENT BITMAP 0\nCOPY BITMAP 1, 0\nDO : SYNC : LOOP\n",
                       8, 8);
  auto grey = [](uint32_t v) { return v << 16 | v << 8 | v; };
  EXPECT_EQ(f.at(14, 14), White);      // the whole window is white
  EXPECT_EQ(f.at(13, 14), grey(226));  // 72 of 81 pixels
  EXPECT_EQ(f.at(6, 14), grey(28));    // the window's last column reaches the box
  EXPECT_EQ(f.at(5, 14), Black);
  EXPECT_EQ(f.at(22, 22), grey(3));  // one corner pixel of 81
  EXPECT_EQ(litPixels(f, 0, 0, 40, 40), 17 * 17);
}

TEST(DisplayFrames, PrintcWrapsWhenTheTextReachesTheRightEdge) {
  // Unifont letters are 8 pixels wide: "a" from x 631 ends one pixel short of 640, from
  // 632 exactly at the edge, from 633 one pixel past it.
  RgbImage f = frameOf("printc_edge",
                       "SYNC ON\n"
                       "SET CURSOR 631, 0 : PRINTC \"a\" : PRINTC \"b\"\n"
                       "SET CURSOR 632, 100 : PRINTC \"a\" : PRINTC \"b\"\n"
                       "SET CURSOR 633, 200 : PRINTC \"a\" : PRINTC \"b\"\n"
                       "DO : SYNC : LOOP\n",
                       6, 6);
  EXPECT_GT(litPixels(f, 631, 0, 640, 16), 5);
  EXPECT_EQ(litPixels(f, 0, 16, 640, 32), 0);  // "b" stayed on the line, off the screen
  EXPECT_GT(litPixels(f, 632, 100, 640, 116), 5);
  EXPECT_GT(litPixels(f, 0, 116, 8, 132), 5);  // "b" starts the next line
  EXPECT_GT(litPixels(f, 0, 216, 8, 232), 5);
}

TEST(DisplayErrors, ADisplayThatCannotBeBuiltKeepsTheOldModeAndGoesOn) {
#ifdef ZT_ADDRESS_SANITIZER
  GTEST_SKIP() << "the address sanitizer cannot run under a limit on address space";
#else
  // Under a 700 MB address-space limit the 1 GB back buffer cannot be made, not even in
  // emulation: the mode before it comes back and the warning does not stop the program.
  RunResult r = runImageWithinMemory("display_build",
                                     compiled("SET DISPLAY MODE 800, 600, 16\nSET DISPLAY MODE 16384, 16000, 32\n"
                                              "PRINT SCREEN WIDTH(); \" \"; SCREEN HEIGHT(); \" \"; SCREEN DEPTH(); "
                                              "\" \"; EMULATION MODE()\n"),
                                     700000);
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "800 600 16 0\n");
#endif
}

// Saving and blurring need memory in proportion to the bitmap: when it runs short the
// command's error stops the program, never an abort.
TEST(DisplayErrors, BitmapWorkShortOfMemoryIsTheCommandsError) {
#ifdef ZT_ADDRESS_SANITIZER
  GTEST_SKIP() << "the address sanitizer cannot run under a limit on address space";
#else
  const std::pair<std::string, int32_t> cases[] = {
      {"SAVE BITMAP \"big.bmp\", 1", 1004},
      {"BLUR BITMAP 1, 2", 101},
  };
  for (const auto& [statement, number] : cases) {
    RunResult r = runImageWithinMemory(
        "bitmap_memory", compiled("CREATE BITMAP 1, 12000, 12000\n" + statement + "\nSYNC\nPRINT \"not stopped\"\n"),
        700000);
    EXPECT_EQ(r.exitCode, 1) << statement << r.err;
    EXPECT_EQ(r.out, "Runtime Error : ERROR " + std::to_string(errorMessageSlot(number)) + ". \n") << statement;
  }
#endif
}

// Each program stops with the error named beside it: the first check that fails.
TEST(DisplayErrors, RaisedInTheirCheckOrder) {
  const std::string media = mediaFolder("errors");
  writeFile(media + "broken.bmp", "BM not really");
  const std::pair<std::string, int32_t> cases[] = {
      {"SET CURRENT BITMAP 32", 1001},
      {"SET CURRENT BITMAP 7", 1002},
      {"LOAD BITMAP \"x.bmp\", -1", 1001},
      {"LOAD BITMAP \"nothing here.bmp\", 2", 105},
      {"LOAD BITMAP \"" + media + "broken.bmp\", 2", 1003},
      {"SAVE BITMAP \"x.bmp\", 40", 1001},
      {"SAVE BITMAP \"x.bmp\", 3", 1002},
      {"CREATE BITMAP 1, 8, 8 : SAVE BITMAP \"no/such/folder/x.bmp\", 1", 1004},
      {"CREATE BITMAP 1, 0, 10", 1005},
      {"CREATE BITMAP 0, 10, 10", 1009},
      {"CREATE BITMAP 32, 10, 10", 1001},
      {"DELETE BITMAP 0", 1006},
      {"DELETE BITMAP 9", 1002},
      {"COPY BITMAP 40, 40", 1001},
      {"COPY BITMAP 5, 5", 1007},
      {"COPY BITMAP 5, 6", 1002},
      {"CREATE BITMAP 1, 800, 10 : COPY BITMAP 1, 0", 1008},
      {"COPY BITMAP 0, 10, 10, 10, 20, 0, 0, 0, 5, 5", 1011},
      {"COPY BITMAP 0, 0, 0, 640, 5, 0, 0, 0, 5, 5", 1010},
      {"COPY BITMAP 0, 10, 10, 10, 20, 0, -1, 0, 5, 5", 1010},
      {"CREATE BITMAP 1, 4, 4 : COPY BITMAP 1, 0, 0, 3, 4, 0, 0, 0, 7, 7", 1010},
      {"COPY BITMAP 0, 0, 0, 3, 3, 0, 0, 472, 7, 480", 1010},
      {"MIRROR BITMAP 32", 1001},
      {"FLIP BITMAP 4", 1002},
      {"BLUR BITMAP 0, 9", 1012},
      {"BLUR BITMAP 0, 0", 1012},
      {"FADE BITMAP 0, 101", 1013},
      {"FADE BITMAP 3, 200", 1002},
      {"PRINT BITMAP WIDTH(32)", 1001},
      {"PRINT BITMAP EXIST(-1)", 1001},
      {"PRINT BITMAP DEPTH(3)", 1002},
      {"SET DISPLAY MODE 0, 600, 8", 1502},
      {"SET DISPLAY MODE 800, 0, 16", 1501},
      {"SET DISPLAY MODE 0, 600, 16", 1501},
      {"PRINT CHECK DISPLAY MODE(640, 480, 15)", 1502},
      {"PRINT CHECK DISPLAY MODE(0, 480, 16)", 1501},
      {"SYNC RATE 1001", 112},
  };
  for (const auto& [statement, number] : cases) {
    RunResult r = runImage("display_error", compiled(statement + "\nSYNC\nPRINT \"not stopped\"\n"));
    EXPECT_EQ(r.exitCode, 1) << statement;
    EXPECT_EQ(r.out, "Runtime Error : ERROR " + std::to_string(errorMessageSlot(number)) + ". \n") << statement;
  }
}

}  // namespace
}  // namespace zt
