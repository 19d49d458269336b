// The state of music: the music table, the current music that the frame end watches, and
// the media devices the music numbers open. Only audio/music and the host include this;
// others use audio/music/music.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "audio/mci/devices.h"

namespace zt {

class FileSystem;

constexpr int32_t MaxMusicNumber = 32;

struct MusicRecord {
  uint8_t exists = 0;
  uint8_t playing = 0;
  uint8_t paused = 0;
  uint8_t looping = 0;
  int32_t start = 0;     // 0 for a file; the track of a CD track
  int32_t length = 0;    // milliseconds, as the device reported at load
  int32_t position = 0;  // milliseconds, as last polled
  int32_t repeat = 0;    // 1 after LOOP MUSIC: the poll restarts the music at its end
  std::string openCommand;
  std::string formatCommand;  // empty for files
  std::string playCommand;
  int32_t volume = 100;  // 0 to 100, as for sounds
  int32_t speed = 100;   // percent of the normal pace
};

struct MusicState {
  explicit MusicState(const FileSystem& fs);

  std::array<MusicRecord, MaxMusicNumber + 1> table;  // entry 0 is never used by a command
  int32_t current = 0;  // the music PLAY or LOOP MUSIC last started; 0 none
  int32_t pollCounter = 0;
  MciDevices devices;
};

}  // namespace zt
