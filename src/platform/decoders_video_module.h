// The video decoder module: FFmpeg's decoding lives in a shared module beside the engine
// (VideoDecoderModule), loaded when the first video is opened, so the engine starts without
// FFmpeg's libraries. Its entry points, by name; openVideo and openSoundTrack call them.
#pragma once

#include <string>

#include "platform/decoders_video.h"

inline constexpr const char* VideoDecoderModule = "libzt_video_decoder.so";

extern "C" {
using OpenVideoEntry = zt::VideoDecoder* (*)(const std::string& path, std::string& why);
using OpenSoundTrackEntry = zt::AudioStream* (*)(const std::string& path);
zt::VideoDecoder* ztOpenVideo(const std::string& path, std::string& why);
zt::AudioStream* ztOpenSoundTrack(const std::string& path);
}
