// Music: numbered music files played through media command strings (MIDI, wave, mp3, ogg,
// ... through the mixer), CD tracks (which fail to open: there is no CD drive), looping by
// reopening at the end, volume and speed.
#pragma once

#include <span>

#include "core/commands.h"

namespace zt {

struct Runtime;

// Frame end, after the sounds: every 11th frame the current music's position is read, and
// at its end it stops, or starts again when it loops.
void pollMusic(Runtime& rt);
// End of the run: every music number is closed and the table cleared.
void releaseMusic(Runtime& rt);

extern const std::span<const CommandRow> MusicRows;

}  // namespace zt
