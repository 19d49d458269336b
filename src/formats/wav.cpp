#include "formats/wav.h"

#include <algorithm>
#include <cstring>

namespace zt {

namespace {

uint32_t le32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}
uint16_t le16(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return uint16_t(b[0] | b[1] << 8);
}

constexpr size_t MinFormatChunk = 14;  // the format without its bits per sample

// A 14- or 15-byte format chunk stops before the bits per sample: they follow from the
// block alignment.
WaveFormat readFormat(std::string_view chunk) {
  WaveFormat f;
  f.formatTag = le16(chunk.data());
  f.channels = le16(chunk.data() + 2);
  f.samplesPerSec = le32(chunk.data() + 4);
  f.avgBytesPerSec = le32(chunk.data() + 8);
  f.blockAlign = le16(chunk.data() + 12);
  if (chunk.size() >= 16)
    f.bitsPerSample = le16(chunk.data() + 14);
  else if (f.channels)
    f.bitsPerSample = uint16_t(f.blockAlign * 8 / f.channels);
  return f;
}

}  // namespace

bool parseWav(std::string_view bytes, WavFile& out, std::string& why) {
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
    why = "not a RIFF WAVE file";
    return false;
  }
  const uint64_t end = std::min<uint64_t>(uint64_t(le32(bytes.data() + 4)) + 8, bytes.size());
  bool haveFormat = false, haveData = false;
  std::string_view data;
  for (uint64_t at = 12; at + 8 <= end && !(haveFormat && haveData);) {
    const char* header = bytes.data() + at;
    const uint64_t size = le32(header + 4);
    const uint64_t body = at + 8;
    const std::string_view chunk(bytes.data() + body, size_t(std::min(size, end - body)));
    if (!haveFormat && std::memcmp(header, "fmt ", 4) == 0) {
      if (chunk.size() < MinFormatChunk) {
        why = "the format chunk is too short";
        return false;
      }
      out.format = readFormat(chunk);
      haveFormat = true;
    } else if (!haveData && std::memcmp(header, "data", 4) == 0) {
      data = chunk;
      haveData = true;
    }
    at = body + size + (size & 1);
  }
  if (!haveFormat || !haveData) {
    why = haveFormat ? "no data chunk" : "no format chunk";
    return false;
  }
  const size_t block = out.format.blockAlign ? out.format.blockAlign : 1;
  out.samples.assign(data.begin(), data.begin() + std::ptrdiff_t(data.size() / block * block));
  return true;
}

bool playableWav(const WavFile& wav, std::string& why) {
  const WaveFormat& f = wav.format;
  if (f.formatTag != WaveFormatPcm)
    why = "not PCM";
  else if (f.channels != 1 && f.channels != 2)
    why = "not mono or stereo";
  else if (f.bitsPerSample != 8 && f.bitsPerSample != 16)
    why = "not 8 or 16 bits per sample";
  else if (f.blockAlign != f.channels * f.bitsPerSample / 8)
    why = "the block alignment does not match";
  else if (f.samplesPerSec < 100 || f.samplesPerSec > 100000)
    why = "the rate is outside 100 to 100000";
  else if (wav.samples.empty())
    why = "no samples";
  else
    return true;
  return false;
}

}  // namespace zt
