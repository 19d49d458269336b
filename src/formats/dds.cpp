#include "formats/dds.h"

#include <array>

#include "formats/image_reading.h"

namespace zt {

namespace {

using namespace imagereading;

constexpr uint32_t DdsMagic = 0x20534444;  // "DDS "
constexpr uint32_t FourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}
constexpr uint32_t DdpfFourCC = 0x4, DdpfRgb = 0x40, DdpfLuminance = 0x20000;
constexpr size_t DdsDataStart = 4 + 124;

uint32_t expand565(uint16_t c) {
  uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
  return (r * 255 / 31) << 16 | (g * 255 / 63) << 8 | (b * 255 / 31);
}

uint32_t mix(uint32_t a, uint32_t b, int wa, int wb, int div) {
  uint32_t out = 0;
  for (int s = 0; s <= 16; s += 8) out |= ((((a >> s) & 255) * wa + ((b >> s) & 255) * wb) / div) << s;
  return out;
}

// The colour part of a DXT block; DXT1 blocks with c0 <= c1 (equal ones too) have a black
// fourth colour.
void decodeColorBlock(const Reader& r, size_t at, bool dxt1, std::array<uint32_t, 16>& px) {
  uint16_t c0 = r.u16(at), c1 = r.u16(at + 2);
  uint32_t k[4] = {expand565(c0), expand565(c1), 0, 0};
  if (c0 > c1 || !dxt1) {
    k[2] = mix(k[0], k[1], 2, 1, 3);
    k[3] = mix(k[0], k[1], 1, 2, 3);
  } else {
    k[2] = mix(k[0], k[1], 1, 1, 2);
  }
  uint32_t bits = r.u32(at + 4);
  for (int i = 0; i < 16; ++i) px[size_t(i)] = k[(bits >> (2 * i)) & 3];
}

bool decodeDxt(const Reader& r, int blockBytes, int64_t width, int64_t height, RgbImage& out) {
  const int64_t bw = (width + 3) / 4, bh = (height + 3) / 4;
  if (!r.has(DdsDataStart, size_t(bw) * size_t(bh) * size_t(blockBytes)) || !allocate(out, width, height))
    return false;
  std::array<uint32_t, 16> px{};
  size_t at = DdsDataStart;
  for (int64_t by = 0; by < bh; ++by)
    for (int64_t bx = 0; bx < bw; ++bx, at += size_t(blockBytes)) {
      decodeColorBlock(r, at + size_t(blockBytes) - 8, blockBytes == 8, px);  // alpha blocks come first
      for (int i = 0; i < 16; ++i) {
        int64_t x = bx * 4 + i % 4, y = by * 4 + i / 4;
        if (x < out.width && y < out.height) out.pixels[size_t(y) * size_t(out.width) + size_t(x)] = px[size_t(i)];
      }
    }
  return true;
}

bool decodeDdsUncompressed(const Reader& r, uint32_t flags, uint32_t bits, const MaskedFormat& masks, int64_t width,
                           int64_t height, RgbImage& out) {
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  const bool luminance = flags & DdpfLuminance;
  if (luminance ? !masks.r.contiguous() : !masks.contiguous()) return false;
  const size_t rowBytes = size_t(width) * size_t(bits / 8);
  if (!r.has(DdsDataStart, rowBytes * size_t(height)) || !allocate(out, width, height)) return false;
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      size_t at = DdsDataStart + size_t(y) * rowBytes + size_t(x) * size_t(bits / 8);
      uint32_t v = 0;
      for (uint32_t b = 0; b < bits / 8; ++b) v |= uint32_t(r.u8(at + b)) << (8 * b);
      out.pixels[size_t(y) * size_t(out.width) + size_t(x)] = luminance ? masks.r(v) * 0x010101u : masks.rgb(v);
    }
  return true;
}

}  // namespace

bool decodeDds(std::string_view file, RgbImage& out) {
  Reader r(file);
  if (!r.has(0, DdsDataStart) || r.u32(0) != DdsMagic || r.u32(4) != 124) return false;
  int64_t height = r.u32(12), width = r.u32(16);
  if (!sizeAcceptable(width, height)) return false;
  const uint32_t pfFlags = r.u32(80), fourCC = r.u32(84);
  out = {};
  bool ok = false;
  if (pfFlags & DdpfFourCC) {
    if (fourCC == FourCC('D', 'X', 'T', '1')) ok = decodeDxt(r, 8, width, height, out);
    else if (fourCC == FourCC('D', 'X', 'T', '2') || fourCC == FourCC('D', 'X', 'T', '3') ||
             fourCC == FourCC('D', 'X', 'T', '4') || fourCC == FourCC('D', 'X', 'T', '5'))
      ok = decodeDxt(r, 16, width, height, out);
  } else if (pfFlags & (DdpfRgb | DdpfLuminance)) {
    MaskedFormat masks{Channel(r.u32(92)), Channel(r.u32(96)), Channel(r.u32(100))};
    ok = decodeDdsUncompressed(r, pfFlags, r.u32(88), masks, width, height, out);
  }
  if (!ok) out = {};
  return ok;
}

}  // namespace zt
