// Video files for tests and benchmarks, written with FFmpeg's encoders: every frame drawn
// by a function of its number, optionally with a sound track of a sine tone.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace zt::test {

struct VideoParams {
  int width = 64, height = 48;
  int framesPerSecond = 10;
  int frames = 4;
  // The colour (0xRRGGBB) of pixel x, y in frame `frame`.
  std::function<uint32_t(int frame, int x, int y)> pixel;
  // "ffv1" keeps the colours exactly (frames in 32-bit RGB); "mpeg4" is a lossy codec in
  // YUV 4:2:0, as most videos are.
  std::string codec = "ffv1";
  int soundRate = 0;  // a mono 16-bit sine of 440 Hz at this rate as the sound track; 0: none
};

// Writes an AVI file; false with the reason in `why`.
bool writeVideo(const std::string& path, const VideoParams& params, std::string& why);

// Frame i of four solid colours in turn: red, green, blue, white.
uint32_t solidFrame(int frame, int x, int y);

}  // namespace zt::test
