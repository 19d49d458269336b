// The media decoder module: FFmpeg's and FluidSynth's decoding live in a shared module beside
// the engine (MediaModule), loaded when the first video or music is opened, so that programs
// without media start without those libraries (more than a hundred shared objects). Its entry
// points, by name; openVideo, openSoundTrack, openAudioFile and createMidiSynthesizer call them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/decoders_audio.h"
#include "platform/decoders_video.h"

inline constexpr const char* MediaModule = "libzt_media.so";

extern "C" {
using OpenVideoEntry = zt::VideoDecoder* (*)(const std::string& path, std::string& why);
using OpenSoundTrackEntry = zt::AudioStream* (*)(const std::string& path);
using OpenAudioFileEntry = zt::AudioStream* (*)(const std::string& path, std::string& error, uint32_t* length);
using CreateMidiSynthesizerEntry = zt::MidiSynthesizer* (*)(std::string& error);
zt::VideoDecoder* ztOpenVideo(const std::string& path, std::string& why);
zt::AudioStream* ztOpenSoundTrack(const std::string& path);
zt::AudioStream* ztOpenAudioFile(const std::string& path, std::string& error, uint32_t* length);
zt::MidiSynthesizer* ztCreateMidiSynthesizer(std::string& error);
}
