// Matrix terrain: a textured 100 x 50 matrix (the largest, 10000 triangles) with randomized
// heights at 640 x 480, drawn by the software device while the camera walks over it; then
// the same with the whole grid re-shaped and re-sent every frame (RANDOMIZE MATRIX), and
// with one row shifted every frame (SHIFT MATRIX UP). Prints frames per second of the
// whole frame (interpreter, render step, flip). Never fails.
#include <chrono>
#include <cstdio>
#include <string>

#include "support/scene3d.h"

namespace {

constexpr int Frames = 60;

const std::string Setup =
    "SET DISPLAY MODE 640, 480, 32 : HIDE MOUSE : SYNC ON : SYNC RATE 0\n"
    "INK RGB(40, 160, 40), 0 : BOX 0, 0, 63, 63 : INK RGB(120, 90, 40), 0 : BOX 64, 0, 127, 63\n"
    "SYNC : GET IMAGE 1, 0, 0, 128, 64 : CLS 0 : SYNC\n"
    "MAKE MATRIX 1, 1000, 500, 100, 50 : PREPARE MATRIX TEXTURE 1, 1, 2, 1\n"
    "RANDOMIZE MATRIX 1, 20\n"
    "FOR x = 0 TO 99 : FOR z = 0 TO 49 : SET MATRIX TILE 1, x, z, 1 + (x + z) MOD 2 : NEXT z : NEXT x\n"
    "UPDATE MATRIX 1\n"
    "z# = 0\n";

// 200 textured objects, spheres and cubes by turns, standing on the matrix.
const std::string Objects =
    "FOR n = 1 TO 200\n"
    "  IF n MOD 2 = 0 THEN MAKE OBJECT SPHERE n, 12 ELSE MAKE OBJECT CUBE n, 12\n"
    "  x# = 5 + (n MOD 20) * 49 : oz# = 5 + (n / 20) * 49\n"
    "  POSITION OBJECT n, x#, GET GROUND HEIGHT(1, x#, oz#) + 6, oz# : TEXTURE OBJECT n, 1\n"
    "NEXT n\n";

double framesPerSecond(const char* name, const std::string& everyFrame, const std::string& extra = "") {
  const std::string program = Setup + extra + "DO\n  z# = z# + 2\n  POSITION CAMERA 500, 60, z#\n" +
                              "  POINT CAMERA 500, 0, z# + 200\n" + everyFrame + "  SYNC\nLOOP\n";
  zt::test::SceneRun s(name, program);
  if (!s.started()) return 0;
  const auto start = std::chrono::steady_clock::now();
  s.run(Frames);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return Frames / seconds;
}

}  // namespace

int main() {
  const double still = framesPerSecond("matrix_bench_still", "");
  const double reshaped = framesPerSecond("matrix_bench_randomized", "  RANDOMIZE MATRIX 1, 20\n");
  const double shifted = framesPerSecond("matrix_bench_shifted", "  SHIFT MATRIX UP 1\n");
  const double objects = framesPerSecond("matrix_bench_objects", "", Objects);
  std::printf("100 x 50 textured matrix at 640 x 480, %d frames each (setup frame included):\n", Frames);
  std::printf("  drawn:                     %8.1f frames/s\n", still);
  std::printf("  re-shaped every frame:     %8.1f frames/s (%.2f of drawn)\n", reshaped, reshaped / still);
  std::printf("  shifted a row every frame: %8.1f frames/s (%.2f of drawn)\n", shifted, shifted / still);
  std::printf("  with 200 textured objects: %8.1f frames/s (%.2f of drawn)\n", objects, objects / still);
  return 0;
}
