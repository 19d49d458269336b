// Video files through FFmpeg (libavformat, libavcodec, libswscale, libswresample): the first
// video stream of any container and codec FFmpeg reads, its frames chosen by a position in
// milliseconds from the start, so that the engine clock decides which frame shows and a run
// on the virtual clock shows the same frames every time; each frame converted into a
// surface's pixel format; and the file's first sound track as a stream for the mixer.
// A file that is not a video fails to open; damaged data ends the video early. Neither
// crashes nor writes outside a buffer.
#pragma once

#include <memory>
#include <string>

#include "audio/stream.h"

namespace zt {

class Surface;

class VideoDecoder {
 public:
  enum class Step {
    NewFrame,   // another frame became current
    SameFrame,  // the current frame still shows
    End,        // the position lies past the last frame
  };

  virtual ~VideoDecoder() = default;
  virtual int width() const = 0;
  virtual int height() const = 0;
  // Makes current the frame that shows at `milliseconds` from the start; the frames
  // before it are decoded and dropped.
  virtual Step advanceTo(double milliseconds) = 0;
  // Back to the first frame; false when the file can no longer be read.
  virtual bool rewind() = 0;
  // Writes the current frame into `target`, scaled to its size, in its pixel format. False
  // when there is no current frame or it cannot be converted.
  virtual bool convertInto(Surface& target) = 0;
};

// Null with the reason when the file cannot be read, holds no video stream FFmpeg can
// decode, or its frames are larger than MaxVideoSide.
std::unique_ptr<VideoDecoder> openVideo(const std::string& path, std::string& why);
inline constexpr int MaxVideoSide = 8192;

// The file's first sound track as stereo float at MixRate; null when it has none.
std::unique_ptr<AudioStream> openSoundTrack(const std::string& path);

}  // namespace zt
