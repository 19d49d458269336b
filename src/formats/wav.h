// RIFF WAVE files: the "fmt " chunk's wave format and the "data" chunk's sample bytes.
// The chunk walk stays inside both the RIFF size and the bytes present: a chunk that runs
// past the end of the file gives only the bytes that are there, and the sample bytes are
// cut to whole frames.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

constexpr uint16_t WaveFormatPcm = 1;

struct WaveFormat {
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint32_t samplesPerSec = 0;
  uint32_t avgBytesPerSec = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
};

struct WavFile {
  WaveFormat format;
  std::vector<uint8_t> samples;
};

// False, with the reason, when the bytes are not a RIFF WAVE file with a "fmt " chunk of
// at least 14 bytes and a "data" chunk; never reads outside `bytes`. Throws bad_alloc
// when the samples cannot be held.
bool parseWav(std::string_view bytes, WavFile& out, std::string& why);

// Whether a sound buffer can be made of it: PCM, 1 or 2 channels of 8 or 16 bits, a block
// alignment that matches, a rate from 100 to 100000 and at least one whole frame.
bool playableWav(const WavFile& wav, std::string& why);

}  // namespace zt
