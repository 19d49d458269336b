// The engine's software mixer: voices in, 44100 Hz stereo 16-bit samples out, float mixing
// inside. A voice plays either a static buffer of PCM sample bytes (8-bit unsigned or
// 16-bit signed, mono or stereo, any rate; duplicates share the bytes) with a byte play
// cursor, or an AudioStream pulled as it plays. Volume is in hundredths of a decibel
// (0 to -10000, -10000 is silence), pan -10000 (left) to 10000 (right) attenuates the
// other side by pan / 100 dB. 3D voices are placed relative to one listener: attenuation
// by distance (minimum and maximum distance, roll-off) and panning from the direction in
// listener space; 3D positions and the listener are deferred until commit().
//
// Threads: every function except render() belongs to the engine thread. render() runs on
// the audio device's thread (or the engine thread for the null device). The two share one
// short lock: the engine's calls change the voice table under it, and render() takes it
// only to copy the playing voices before mixing and to write their progress back after,
// so the mixing itself runs unlocked. A play-state change made while a block is being
// mixed wins over that block's progress.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "audio/stream.h"
#include "gfx/vec3.h"

namespace zt {

// Sample bytes and their layout, shared by a buffer and its duplicates.
struct SampleData {
  int channels = 1;        // 1 or 2
  int bitsPerSample = 16;  // 8 (unsigned) or 16 (signed, little-endian)
  int rate = 22050;        // frames per second of the data as recorded
  std::vector<uint8_t> bytes;

  int blockAlign() const { return channels * bitsPerSample / 8; }
  size_t frames() const { return bytes.size() / size_t(blockAlign()); }
  bool playable() const { return (channels == 1 || channels == 2) && (bitsPerSample == 8 || bitsPerSample == 16); }
};

// The listener: position and orientation (front and top vectors), the distance model's
// roll-off factor.
struct Listener {
  Vec3 position;
  Vec3 front{0, 0, 1};
  Vec3 top{0, 1, 0};
  float rolloff = 1.0f;
};

// Where a 3D voice is and how its sound falls off.
struct Source3D {
  Vec3 position;
  float minDistance = 100.0f;
  float maxDistance = 5000.0f;
};

using VoiceId = uint32_t;  // 0 is no voice

constexpr int VolumeSilent = -10000;  // hundredths of a decibel
constexpr int PanLeft = -10000;
constexpr int PanRight = 10000;

class Mixer {
 public:
  Mixer() = default;
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  // A stopped buffer voice at position 0, volume 0 dB, centre, the data's own rate. Null
  // data or a layout the mixer cannot play gives 0 (no voice).
  VoiceId addBuffer(std::shared_ptr<const SampleData> data, bool is3D);
  // A new 2D voice on `from`'s sample memory with its volume, pan and frequency.
  VoiceId duplicate(VoiceId from);
  // A stopped stream voice; framesPlayed() starts at `startFrame` (where the owner
  // positioned the stream).
  VoiceId addStream(std::unique_ptr<AudioStream> stream, uint64_t startFrame = 0);
  // Ends the voice. A stream voice's stream is destroyed: take it back first to keep it.
  void remove(VoiceId v);
  // Ends a stream voice and gives its stream back (waits for a block being mixed from it).
  std::unique_ptr<AudioStream> takeStream(VoiceId v);

  void play(VoiceId v, bool looping);
  void stop(VoiceId v);  // keeps the position
  bool playing(VoiceId v) const;
  bool looping(VoiceId v) const;
  // Buffer voices: the play cursor in bytes. A position at or past the end is refused.
  bool setPosition(VoiceId v, uint32_t byteOffset);
  uint32_t position(VoiceId v) const;

  void setVolume(VoiceId v, int hundredthsDb);  // clamped to -10000..0
  void setPan(VoiceId v, int pan);              // clamped to -10000..10000; 2D voices only
  void setFrequency(VoiceId v, uint32_t hz);    // buffer voices: source frames per second
  void setSpeed(VoiceId v, int percent);        // stream voices: 100 is the stream's own pace
  int volume(VoiceId v) const;
  int pan(VoiceId v) const;
  uint32_t frequency(VoiceId v) const;
  int speed(VoiceId v) const;

  // Stream voices: frames of the stream consumed so far, and whether it has run out.
  uint64_t framesPlayed(VoiceId v) const;
  bool streamEnded(VoiceId v) const;

  // Deferred 3D settings, applied together by commit().
  void setSourcePosition(VoiceId v, Vec3 position);
  void setSourceDistances(VoiceId v, float minDistance, float maxDistance);
  void setListener(const Listener& listener);
  void commit();
  Listener committedListener() const;

  size_t voiceCount() const;

  // Mixes `frames` stereo frames into `out` (interleaved, saturated, never wrapped) and
  // advances every playing voice. Device thread.
  void render(int16_t* out, size_t frames);

 private:
  struct Voice {
    std::shared_ptr<const SampleData> data;
    std::unique_ptr<AudioStream> stream;
    bool is3D = false;
    bool playing = false;
    bool looping = false;
    double cursor = 0;  // source frames
    uint64_t played = 0;
    bool ended = false;
    uint32_t epoch = 0;  // bumped by every play-state change of the engine thread
    int volume = 0;
    int pan = 0;
    uint32_t frequency = 0;
    int speed = 100;
    Source3D pending3D, committed3D;
    float gainLeft = 1, gainRight = 1;
    bool inMix = false;
    // Streams: the last frame consumed and one frame read ahead, for interpolation
    // across blocks; the fraction of a frame between them.
    float carry[2] = {0, 0};
    float ahead[2] = {0, 0};
    bool hasAhead = false;
  };
  // A playing voice as copied for one block.
  struct MixVoice {
    VoiceId id;
    uint32_t epoch;
    std::shared_ptr<const SampleData> data;
    AudioStream* stream;
    bool mono3D;
    bool looping;
    bool playing;
    bool ended;
    double cursor;
    double step;
    uint64_t played;
    float gainLeft, gainRight;
    float carry[2];
    float ahead[2];
    bool hasAhead;
  };

  Voice* find(VoiceId v);
  const Voice* find(VoiceId v) const;
  // A voice's field read under the lock; `absent` when there is no such voice.
  template <class T>
  T field(VoiceId v, T Voice::*member, T absent) const {
    std::lock_guard guard(lock);
    const Voice* voice = find(v);
    return voice ? voice->*member : absent;
  }
  VoiceId insert(Voice voice);
  void updateGains(Voice& voice) const;
  void mixBuffer(MixVoice& m, float* acc, size_t frames) const;
  void mixStream(MixVoice& m, float* acc, size_t frames);

  mutable std::mutex lock;
  std::condition_variable mixDone;
  std::unordered_map<VoiceId, Voice> voices;
  VoiceId nextId = 1;
  Listener pendingListener, listener;
  // Device-thread scratch, reused between blocks.
  std::vector<MixVoice> mixList;
  std::vector<float> accumulator, streamScratch;
};

// The gain of a volume in hundredths of a decibel: 1 at 0, 0 at -10000 and below.
float volumeGain(int hundredthsDb);
// The left and right gains of a pan (-10000..10000): the side away from the pan loses
// |pan| hundredths of a decibel.
void panGains(int pan, float& left, float& right);
// A 3D source heard by the listener: the distance attenuation times the left and right
// gains of its direction in listener space.
void spatialGains(const Source3D& source, const Listener& listener, float& left, float& right);
// The listener's front and top for three angles in degrees: the unit vectors (0, 0, 1) and
// (0, 1, 0) turned by Rz x Ry x Rx (row vectors, degrees converted with 3.14 / 180).
void orientationFromAngles(float ax, float ay, float az, Vec3& front, Vec3& top);

}  // namespace zt
