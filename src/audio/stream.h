// A source of sound that is decoded as it plays (music, a video's sound track): the mixer
// pulls frames from it on the mixing thread. The owner hands the stream to the mixer and
// does not touch it again until the mixer gives it back (the voice is stopped or removed).
#pragma once

#include <cstddef>

namespace zt {

constexpr int MixRate = 44100;  // frames per second of everything the mixer plays

class AudioStream {
 public:
  virtual ~AudioStream() = default;
  // Writes up to `frames` stereo frames (left, right interleaved, -1..1) at MixRate into
  // `out` and returns how many it wrote; fewer than asked means the stream has ended.
  virtual size_t read(float* out, size_t frames) = 0;
  // Starts again at `milliseconds` from the start; false when the stream cannot seek.
  virtual bool seek(long milliseconds) = 0;
};

}  // namespace zt
