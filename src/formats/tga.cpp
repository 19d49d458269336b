#include "formats/tga.h"

#include <algorithm>
#include <vector>

#include "formats/image_reading.h"

namespace zt {

namespace {

using namespace imagereading;

constexpr size_t TgaHeaderBytes = 18;
constexpr int TgaMaxRun = 128;

struct TgaInfo {
  int64_t width = 0, height = 0;
  int type = 0;          // 1 colour-mapped, 2 true colour, 3 grey; +8 when run-length coded
  int bytesPerPixel = 0;
  bool topDown = false, rightToLeft = false;
  bool alpha = false;    // 32-bit entries whose fourth byte is an alpha channel
  uint32_t mapFirst = 0;
  std::vector<uint32_t> map;  // as 0xAARRGGBB
  size_t dataAt = 0;
};

bool colourDepth(int bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

// A 15-, 16-, 24- or 32-bit colour as the file stores it, as 0xAARRGGBB (alpha 0xFF
// where the entry has none).
uint32_t readColour(const Reader& r, size_t at, int bytes) {
  static const MaskedFormat fiveBits{Channel(0x7C00), Channel(0x03E0), Channel(0x001F)};
  switch (bytes) {
    case 2: return 0xFF000000u | fiveBits.rgb(r.u16(at));
    case 3: return 0xFF000000u | uint32_t(r.u8(at + 2)) << 16 | uint32_t(r.u8(at + 1)) << 8 | r.u8(at);
    default: return r.u32(at);
  }
}

bool readTgaInfo(const Reader& r, TgaInfo& info) {
  if (!r.has(0, TgaHeaderBytes)) return false;
  const int idLength = r.u8(0), mapType = r.u8(1), mapEntryBits = r.u8(7), bits = r.u8(16), descriptor = r.u8(17);
  const uint32_t mapLength = r.u16(5);
  info.type = r.u8(2);
  info.mapFirst = r.u16(3);
  info.width = r.u16(12);
  info.height = r.u16(14);
  const int kind = info.type & ~8;
  if (mapType > 1 || kind < 1 || kind > 3 || (descriptor & 0xC0) != 0 || (descriptor & 15) > 8) return false;
  if (mapType == 1 && (!colourDepth(mapEntryBits) || mapLength == 0)) return false;
  if (kind == 1 && (mapType != 1 || bits != 8)) return false;
  if (kind == 2 && !colourDepth(bits)) return false;
  if (kind == 3 && bits != 8) return false;
  if (!sizeAcceptable(info.width, info.height)) return false;
  info.bytesPerPixel = (bits + 7) / 8;
  info.topDown = descriptor & 0x20;
  info.rightToLeft = descriptor & 0x10;
  const int mapEntryBytes = (mapEntryBits + 7) / 8;
  info.alpha = (kind == 1 ? mapEntryBits : bits) == 32 && (descriptor & 15) == 8;
  size_t at = TgaHeaderBytes + size_t(idLength);
  if (mapType == 1) {
    if (!r.has(at, size_t(mapLength) * size_t(mapEntryBytes))) return false;
    if (kind == 1) {
      info.map.resize(mapLength);
      for (uint32_t i = 0; i < mapLength; ++i) info.map[i] = readColour(r, at + size_t(i) * size_t(mapEntryBytes), mapEntryBytes);
    }
    at += size_t(mapLength) * size_t(mapEntryBytes);
  }
  info.dataAt = at;
  return true;
}

// One pixel's stored value as 0xAARRGGBB; false for an index outside the colour map.
bool pixelColour(const Reader& r, const TgaInfo& info, size_t at, uint32_t& colour) {
  switch (info.type & ~8) {
    case 1: {
      const uint32_t index = r.u8(at);
      if (index < info.mapFirst || index - info.mapFirst >= info.map.size()) return false;
      colour = info.map[index - info.mapFirst];
      return true;
    }
    case 3: colour = 0xFF000000u | r.u8(at) * 0x010101u; return true;
    default: colour = readColour(r, at, info.bytesPerPixel); return true;
  }
}

// Walks the pixels in file order, plain or in run-length packets, and hands each to
// `put` with its position in that order. False when the data ends early or holds an
// index outside the colour map.
template <typename Put>
bool walkPixels(const Reader& r, const TgaInfo& info, Put put) {
  const size_t count = size_t(info.width) * size_t(info.height), bpp = size_t(info.bytesPerPixel);
  size_t at = info.dataAt;
  uint32_t colour = 0;
  if (!(info.type & 8)) {
    if (!r.has(at, count * bpp)) return false;
    for (size_t i = 0; i < count; ++i, at += bpp) {
      if (!pixelColour(r, info, at, colour)) return false;
      put(i, colour);
    }
    return true;
  }
  for (size_t i = 0; i < count;) {
    if (!r.has(at, 1)) return false;
    const uint8_t packet = r.u8(at++);
    const size_t n = std::min(size_t(packet & 0x7F) + 1, count - i);
    const bool run = packet & 0x80;
    if (!r.has(at, run ? bpp : n * bpp)) return false;
    for (size_t k = 0; k < n; ++k) {
      if ((k == 0 || !run) && !pixelColour(r, info, at, colour)) return false;
      put(i++, colour);
      if (!run) at += bpp;
    }
    if (run) at += bpp;
  }
  return true;
}

}  // namespace

bool decodeTga(std::string_view file, RgbImage& out) {
  const Reader r(file);
  TgaInfo info;
  if (!readTgaInfo(r, info)) return false;
  // Every packet holds at most 128 pixels, so a run-length file too short for the picture
  // is refused before the picture is allocated.
  const size_t count = size_t(info.width) * size_t(info.height);
  const size_t leastData = info.type & 8 ? (count + TgaMaxRun - 1) / TgaMaxRun * (1 + size_t(info.bytesPerPixel))
                                         : count * size_t(info.bytesPerPixel);
  out = {};
  if (!r.has(info.dataAt, leastData) || !allocate(out, info.width, info.height)) return false;
  const size_t w = size_t(info.width), h = size_t(info.height);
  bool anyAlpha = false;
  const bool whole = walkPixels(r, info, [&](size_t i, uint32_t colour) {
    const size_t row = i / w, column = i % w;
    const size_t y = info.topDown ? row : h - 1 - row, x = info.rightToLeft ? w - 1 - column : column;
    out.pixels[y * w + x] = colour;
    anyAlpha = anyAlpha || (colour >> 24) != 0;
  });
  if (!whole) {
    out = {};
    return false;
  }
  // Many writers leave the fourth byte zero: a picture with no alpha at all is opaque.
  for (uint32_t& p : out.pixels) p = info.alpha && anyAlpha ? overBlack(p) : p & 0xFFFFFF;
  return true;
}

}  // namespace zt
