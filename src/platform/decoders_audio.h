// Sound files decoded as they play: anything FFmpeg reads (wave, mp3, ogg, flac, ...), and
// MIDI files played by FluidSynth with a General MIDI soundfont. Both give an AudioStream
// of stereo float frames at MixRate for the mixer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audio/stream.h"

namespace zt {

struct OpenedMusic {
  std::unique_ptr<AudioStream> stream;
  uint32_t lengthMilliseconds = 0;
};

// Decodes the sound track of a media file; an empty stream with a reason when the file is
// missing, has no sound track or no decoder reads it.
OpenedMusic openAudioFile(const std::string& path, std::string& error);

// The synthesizer that plays MIDI files: made on the first MIDI open, when it finds the
// soundfont (the largest General MIDI soundfont installed) and loads it; later opens find
// the sound samples loaded. One per engine.
class MidiSynthesizer {
 public:
  MidiSynthesizer(const MidiSynthesizer&) = delete;
  MidiSynthesizer& operator=(const MidiSynthesizer&) = delete;
  virtual ~MidiSynthesizer() = default;
  // A MIDI file (its bytes) as a stream with its own synthesizer voice set, so several
  // play at once; empty with a reason when the file is malformed or out of memory.
  virtual OpenedMusic open(const std::string& bytes, std::string& error) = 0;

 protected:
  MidiSynthesizer() = default;
};

// Null with a reason when no soundfont is installed or FluidSynth cannot start.
std::unique_ptr<MidiSynthesizer> createMidiSynthesizer(std::string& error);

// The soundfont createMidiSynthesizer chooses; empty when none is installed.
std::string chooseSoundfont();

}  // namespace zt
