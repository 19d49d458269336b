// The WAV reader: the chunk walk (padding, order, sizes that lie) and what a sound buffer
// can be made of, at each limit.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "formats/wav.h"

namespace zt {
namespace {

std::string le(uint32_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += char(v >> (8 * i));
  return s;
}
std::string chunk(const std::string& id, const std::string& body) {
  return id + le(uint32_t(body.size()), 4) + body + (body.size() % 2 ? std::string(1, '\0') : "");
}
std::string format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  const uint16_t block = uint16_t(channels * bits / 8);
  return le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * block, 4) + le(block, 2) + le(bits, 2);
}
std::string riff(const std::string& body) { return "RIFF" + le(uint32_t(4 + body.size()), 4) + "WAVE" + body; }

WavFile parsed(const std::string& bytes, bool expectOk = true) {
  WavFile w;
  std::string why;
  EXPECT_EQ(parseWav(bytes, w, why), expectOk) << why;
  return w;
}

TEST(Wav, ChunksAreWalkedInAnyOrderWithOddSizesPadded) {
  const WavFile w = parsed(riff(chunk("LIST", "abc") + chunk("data", "\x01\x02\x03\x04") +
                                chunk("fmt ", format(1, 2, 22050, 8)) + chunk("data", "later")));
  EXPECT_EQ(w.format.channels, 2);
  EXPECT_EQ(w.format.samplesPerSec, 22050u);
  EXPECT_EQ(w.samples, (std::vector<uint8_t>{1, 2, 3, 4}));  // the first data chunk
}

TEST(Wav, LengthsThatRunPastTheFileOrTheRiffSizeAreCut) {
  const std::string whole = riff(chunk("fmt ", format(1, 2, 8000, 16)) + chunk("data", std::string(40, '\x11')));
  // Truncated in the middle of a frame: the whole frames that are there.
  EXPECT_EQ(parsed(whole.substr(0, whole.size() - 7)).samples.size(), 32u);
  // A RIFF size larger than the file changes nothing.
  std::string lying = whole;
  lying.replace(4, 4, le(0xFFFFFFF0u, 4));
  EXPECT_EQ(parsed(lying).samples.size(), 40u);
  // A RIFF size that ends before the data chunk's header hides it.
  std::string shortRiff = whole;
  shortRiff.replace(4, 4, le(4 + 24 + 7, 4));
  parsed(shortRiff, false);
  // A chunk size of nearly 4 GB steps over everything after it.
  parsed(riff(chunk("fmt ", format(1, 1, 8000, 8)) + "JUNK" + le(0xFFFFFFFFu, 4) + chunk("data", "xy")), false);
}

TEST(Wav, TheFormatChunkNeedsFourteenBytes) {
  const std::string fmt = format(1, 2, 8000, 16);
  const WavFile fourteen = parsed(riff(chunk("fmt ", fmt.substr(0, 14)) + chunk("data", "abcd")));
  EXPECT_EQ(fourteen.format.bitsPerSample, 16);  // from the block alignment
  parsed(riff(chunk("fmt ", fmt.substr(0, 13)) + chunk("data", "abcd")), false);
  parsed(riff(chunk("data", "abcd")), false);
  parsed(riff(chunk("fmt ", fmt)), false);
  parsed("RIFF\x04\x00\x00\x00WAV", false);
  parsed("RIFX" + riff("").substr(4), false);
  parsed("", false);
}

TEST(Wav, PlayableLayoutsAndRatesAtTheirLimits) {
  auto playable = [](uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, size_t bytes = 8) {
    WavFile w;
    std::string why;
    EXPECT_TRUE(parseWav(riff(chunk("fmt ", format(tag, channels, rate, bits)) + chunk("data", std::string(bytes, 'a'))), w, why));
    return playableWav(w, why);
  };
  EXPECT_TRUE(playable(1, 1, 100, 8));
  EXPECT_FALSE(playable(1, 1, 99, 8));
  EXPECT_TRUE(playable(1, 2, 100000, 16));
  EXPECT_FALSE(playable(1, 2, 100001, 16));
  EXPECT_FALSE(playable(3, 1, 8000, 32));
  EXPECT_FALSE(playable(1, 1, 8000, 24, 9));
  EXPECT_FALSE(playable(1, 3, 8000, 8, 9));
  EXPECT_FALSE(playable(1, 0, 8000, 8));
  EXPECT_FALSE(playable(1, 2, 8000, 16, 3));  // not one whole frame
  EXPECT_TRUE(playable(1, 2, 8000, 16, 4));
  WavFile mismatched;
  std::string why;
  std::string fmt = format(1, 2, 8000, 16);
  fmt.replace(12, 2, le(2, 2));
  ASSERT_TRUE(parseWav(riff(chunk("fmt ", fmt) + chunk("data", "abcd")), mismatched, why));
  EXPECT_FALSE(playableWav(mismatched, why));
}

}  // namespace
}  // namespace zt
