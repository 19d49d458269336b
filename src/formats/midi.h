// Standard MIDI files: the playing time of a file from its header, tracks and tempo
// changes. The notes themselves are played by the synthesizer (platform/midi_synth.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace zt {

// True when the bytes start like a MIDI file ("MThd", or "RIFF" ... "RMID").
bool looksLikeMidi(std::span<const uint8_t> bytes);

// The time from the first event to the last end of track, in milliseconds, following
// every tempo change; false with a reason for a file that is not a well-formed MIDI file
// (truncated chunks and events, no tracks, a zero time division).
bool midiLengthMilliseconds(std::span<const uint8_t> bytes, uint32_t& milliseconds, std::string& error);

}  // namespace zt
