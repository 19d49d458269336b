// The animations' state: two tables of 33 entries indexed by animation number (entry 0 is
// never used by commands): what the queries read, and the stream record of each. Only
// video and the host include this; others use video/video.h.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/mixer/mixer.h"
#include "display2d/display_list.h"
#include "gfx/surface.h"
#include "platform/decoders_video.h"

namespace zt {

constexpr int AnimationEntries = 33;

struct AnimationState {
  uint8_t exists = 0;
  uint8_t playing = 0;  // set by PLAY and LOOP, cleared by STOP and at the end without a loop
  uint8_t paused = 0;
  uint8_t looping = 0;
};

struct AnimationStream {
  std::string fileName;  // kept so that the stream can be opened again
  SurfaceRef target;     // the bitmap frames go to
  // The open file (null when closed) and whether it is decoding: paused, stopped at its
  // end or not yet running, it is open but not decoding.
  std::unique_ptr<VideoDecoder> multiMediaStream;
  bool videoStream = false;
  // The file's sound track: held here from the open until the first play hands it to the
  // mixer as a voice, which plays while the video decodes.
  std::unique_ptr<AudioStream> soundTrack;
  VoiceId soundVoice = 0;
  std::unique_ptr<Surface> frameSurface;  // the last decoded frame, in the target's pixel format
  Rect destRect, srcRect, nativeRect;
  int32_t active = 0;   // a frame surface is bound to a target and may be drawn
  int32_t stretch = 0;  // frames are copied stretched (always, once a target is bound)
  SurfaceRef boundTarget;
  int32_t loopFlag = 0;
  std::array<int32_t, 4> placement{};  // x1, y1, x2, y2; x2 = y2 = 0 means natural size at x1, y1
  // The stream's clock: decoding shows the frame at (engine time - runStart); while not
  // decoding, the position it stopped at is kept.
  double runStart = 0;
  double position = 0;
};

struct VideoState {
  std::array<AnimationState, AnimationEntries> Animations;
  std::array<AnimationStream, AnimationEntries> Streams;
};

}  // namespace zt
