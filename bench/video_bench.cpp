// Video decoding: a 640 x 480 video of 200 frames (moving colour bands, so every frame
// differs), written once with FFmpeg's MPEG-4 encoder (YUV 4:2:0, as most videos are) and
// once with the lossless FFV1 (32-bit RGB), decoded and converted frame by frame into a
// 640 x 480 surface at 16 bits, as an animation on the screen is. Prints frames per
// second and the ratio to the engine's default 40 frames a second (above 1: the video
// keeps up with the frame cycle). Never fails.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "gfx/surface.h"
#include "platform/decoders_video.h"
#include "support/video_files.h"

namespace {

constexpr int Width = 640, Height = 480, Frames = 200, FramesPerSecond = 25;
constexpr double EngineFramesPerSecond = 40.0;

using Clock = std::chrono::steady_clock;

uint32_t bands(int frame, int x, int y) {
  const uint32_t r = uint32_t(x + frame * 3) & 0xFF, g = uint32_t(y + frame * 2) & 0xFF, b = uint32_t(x + y) & 0xFF;
  return r << 16 | g << 8 | b;
}

void measure(const std::string& folder, const char* codec) {
  zt::test::VideoParams params;
  params.width = Width;
  params.height = Height;
  params.frames = Frames;
  params.framesPerSecond = FramesPerSecond;
  params.pixel = bands;
  params.codec = codec;
  const std::string path = folder + "/" + codec + ".avi";
  std::string why;
  if (!zt::test::writeVideo(path, params, why)) {
    std::printf("%-6s cannot write the video: %s\n", codec, why.c_str());
    return;
  }
  std::unique_ptr<zt::VideoDecoder> video = zt::openVideo(path, why);
  std::unique_ptr<zt::Surface> screen = zt::Surface::create(Width, Height, zt::PixelFormat::forDepth(16));
  if (!video || !screen) {
    std::printf("%-6s cannot open the video: %s\n", codec, why.c_str());
    return;
  }
  const double frameMs = 1000.0 / FramesPerSecond;
  int shown = 0;
  const Clock::time_point start = Clock::now();
  for (int i = 0; video->advanceTo(i * frameMs) != zt::VideoDecoder::Step::End; ++i)
    if (video->convertInto(*screen)) ++shown;
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const double fps = shown / seconds;
  std::printf(
      "%-6s %d frames of %dx%d into a %dx%dx16 surface: %.1f frames/s, %.2f ms a frame, %.1fx the engine's %.0f "
      "frames/s\n",
      codec, shown, Width, Height, Width, Height, fps, 1000.0 / fps, fps / EngineFramesPerSecond,
      EngineFramesPerSecond);
}

}  // namespace

int main() {
  const std::string folder = (std::filesystem::temp_directory_path() / "zt_video_bench").string();
  std::filesystem::create_directories(folder);
  measure(folder, "mpeg4");
  measure(folder, "ffv1");
  std::filesystem::remove_all(folder);
  return 0;
}
