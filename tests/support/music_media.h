// Media files the music tests make: PCM wave files, MIDI files and (when FFmpeg has an
// encoder for it) Ogg Vorbis files.
#pragma once

#include <string>
#include <vector>

namespace zt::test {

// A 16-bit PCM wave file of a sine at `hertz`.
std::string sineWav(int rate, int channels, int milliseconds, double hertz);

struct MidiNote {
  int key;
  int ticks;  // how long it sounds
};

// A format-0 MIDI file at `division` ticks per quarter note: the notes one after another on
// channel 0, with the tempo changes (tick, microseconds per quarter) that are given.
std::string midiFile(const std::vector<MidiNote>& notes, int division = 480,
                     const std::vector<std::pair<int, int>>& tempos = {});

// An Ogg Vorbis file of a sine; false when FFmpeg has no Vorbis encoder here.
bool writeSineOgg(const std::string& path, int milliseconds, double hertz);

void writeBytes(const std::string& path, const std::string& bytes);

}  // namespace zt::test
