#include "formats/bmp.h"

#include <vector>

#include "formats/image_reading.h"

namespace zt {

namespace {

using namespace imagereading;

enum Compression : uint32_t { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3 };

struct BmpInfo {
  int64_t width = 0, height = 0;
  bool topDown = false;
  int bits = 0;
  uint32_t compression = BiRgb;
  std::vector<uint32_t> palette;
  MaskedFormat masks;
  size_t pixelOffset = 0;
};

bool readBmpInfo(const Reader& r, BmpInfo& info) {
  if (!r.has(0, 18) || r.u8(0) != 'B' || r.u8(1) != 'M') return false;
  const size_t h = 14;
  const uint32_t headerSize = r.u32(h);
  size_t paletteEntry = 4;
  if (headerSize == 12) {  // the old core header: 16-bit sizes, 3-byte palette entries
    if (!r.has(h, 12)) return false;
    info.width = r.u16(h + 4);
    info.height = int16_t(r.u16(h + 6));
    info.bits = r.u16(h + 10);
    paletteEntry = 3;
  } else if (headerSize >= 40 && r.has(h, headerSize)) {
    info.width = int32_t(r.u32(h + 4));
    info.height = int32_t(r.u32(h + 8));
    info.bits = r.u16(h + 14);
    info.compression = r.u32(h + 16);
  } else {
    return false;
  }
  info.topDown = info.height < 0;
  info.height = info.topDown ? -info.height : info.height;
  if (!sizeAcceptable(info.width, info.height)) return false;
  info.pixelOffset = r.u32(10);

  size_t tableAt = h + headerSize;
  if (info.compression == BiBitfields) {
    if (info.bits != 16 && info.bits != 32) return false;
    size_t masksAt = headerSize >= 52 ? h + 40 : tableAt;  // larger headers carry the masks inside
    if (!r.has(masksAt, 12)) return false;
    info.masks = {Channel(r.u32(masksAt)), Channel(r.u32(masksAt + 4)), Channel(r.u32(masksAt + 8))};
    if (!info.masks.contiguous()) return false;
    if (headerSize < 52) tableAt += 12;
  } else if (info.bits == 16) {
    info.masks = {Channel(0x7C00), Channel(0x03E0), Channel(0x001F)};
  } else if (info.bits == 32) {
    info.masks = {Channel(0xFF0000), Channel(0x00FF00), Channel(0x0000FF)};
  }
  const bool rleFits = (info.compression == BiRle8 && info.bits == 8) || (info.compression == BiRle4 && info.bits == 4);
  if (info.compression != BiRgb && info.compression != BiBitfields && !rleFits) return false;
  if (info.bits == 1 || info.bits == 4 || info.bits == 8) {
    uint32_t used = headerSize >= 40 ? r.u32(h + 32) : 0;
    uint32_t count = used && used <= (1u << info.bits) ? used : 1u << info.bits;
    info.palette.assign(size_t(1) << info.bits, 0);
    for (uint32_t i = 0; i < count; ++i) {
      size_t at = tableAt + i * paletteEntry;
      if (!r.has(at, 3)) return false;
      info.palette[i] = uint32_t(r.u8(at + 2)) << 16 | uint32_t(r.u8(at + 1)) << 8 | r.u8(at);
    }
  } else if (info.bits != 16 && info.bits != 24 && info.bits != 32) {
    return false;
  }
  return true;
}

size_t bmpStride(const BmpInfo& info) { return size_t((info.width * info.bits + 31) / 32) * 4; }

// The rows are known to be in the file (see decodeBmp).
void decodeBmpRows(const Reader& r, const BmpInfo& info, RgbImage& out) {
  const size_t stride = bmpStride(info);
  for (int64_t row = 0; row < info.height; ++row) {
    size_t at = info.pixelOffset + size_t(row) * stride;
    int y = int(info.topDown ? row : info.height - 1 - row);
    uint32_t* dst = &out.pixels[size_t(y) * size_t(out.width)];
    for (int64_t x = 0; x < info.width; ++x) {
      switch (info.bits) {
        case 1: dst[x] = info.palette[(r.u8(at + size_t(x / 8)) >> (7 - x % 8)) & 1]; break;
        case 4: dst[x] = info.palette[(r.u8(at + size_t(x / 2)) >> (x % 2 ? 0 : 4)) & 15]; break;
        case 8: dst[x] = info.palette[r.u8(at + size_t(x))]; break;
        case 16: dst[x] = info.masks.rgb(r.u16(at + size_t(x) * 2)); break;
        case 24: {
          size_t p = at + size_t(x) * 3;
          dst[x] = uint32_t(r.u8(p + 2)) << 16 | uint32_t(r.u8(p + 1)) << 8 | r.u8(p);
          break;
        }
        default: dst[x] = info.masks.rgb(r.u32(at + size_t(x) * 4)); break;
      }
    }
  }
}

// Run-length coded 8- and 4-bit pictures. Pixels the codes skip stay black. Without a
// picture (`out` null) the codes are only walked, to learn whether they are whole.
bool decodeBmpRle(const Reader& r, const BmpInfo& info, RgbImage* out) {
  const bool four = info.compression == BiRle4;
  int64_t x = 0, row = 0;
  size_t at = info.pixelOffset;
  auto put = [&](uint8_t index) {
    if (out && x < info.width && row < info.height) {
      int64_t y = info.topDown ? row : info.height - 1 - row;
      out->pixels[size_t(y) * size_t(out->width) + size_t(x)] = info.palette[index];
    }
    ++x;
  };
  while (row < info.height) {
    if (!r.has(at, 2)) return false;
    uint8_t count = r.u8(at), code = r.u8(at + 1);
    at += 2;
    if (count > 0) {  // a run of one index (two alternating indices at 4 bits)
      int i = 0;
      for (; i < count && x < info.width; ++i) put(four ? uint8_t(i % 2 ? code & 15 : code >> 4) : code);
      x += count - i;  // the rest of the run lies past the row's end
    } else if (code == 0) {
      x = 0;
      ++row;
    } else if (code == 1) {
      break;
    } else if (code == 2) {
      if (!r.has(at, 2)) return false;
      x += r.u8(at);
      row += r.u8(at + 1);
      at += 2;
    } else {  // `code` literal pixels, padded to a 16-bit boundary
      size_t bytes = four ? (code + 1u) / 2 : code;
      if (!r.has(at, bytes)) return false;
      for (int i = 0; i < code; ++i) {
        uint8_t b = r.u8(at + size_t(four ? i / 2 : i));
        put(four ? uint8_t(i % 2 ? b & 15 : b >> 4) : b);
      }
      at += (bytes + 1) & ~size_t(1);
    }
  }
  return true;
}

}  // namespace

bool decodeBmp(std::string_view file, RgbImage& out) {
  Reader r(file);
  BmpInfo info;
  if (!readBmpInfo(r, info)) return false;
  // The picture is allocated only once the file is known to hold its data: the rows, or
  // run-length codes that reach the end of the picture.
  out = {};
  if (info.compression == BiRle8 || info.compression == BiRle4) {
    if (!decodeBmpRle(r, info, nullptr) || !allocate(out, info.width, info.height)) return false;
    decodeBmpRle(r, info, &out);
  } else {
    if (!r.has(info.pixelOffset, bmpStride(info) * size_t(info.height)) || !allocate(out, info.width, info.height))
      return false;
    decodeBmpRows(r, info, out);
  }
  return true;
}

std::string encodeBmp24(const RgbImage& image) {
  const size_t stride = (size_t(image.width) * 3 + 3) & ~size_t(3);
  const size_t imageSize = stride * size_t(image.height);
  std::string out;
  out.reserve(54 + imageSize);
  auto u16 = [&](uint32_t v) {
    out.push_back(char(v & 255));
    out.push_back(char((v >> 8) & 255));
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  out += "BM";
  u32(uint32_t(54 + imageSize));
  u32(0);
  u32(54);
  u32(40);
  u32(uint32_t(image.width));
  u32(uint32_t(image.height));
  u16(1);
  u16(24);
  u32(BiRgb);
  u32(uint32_t(imageSize));
  for (int i = 0; i < 4; ++i) u32(0);  // resolution and colour counts
  for (int y = image.height - 1; y >= 0; --y) {
    size_t start = out.size();
    for (int x = 0; x < image.width; ++x) {
      uint32_t p = image.at(x, y);
      out.push_back(char(p & 255));
      out.push_back(char((p >> 8) & 255));
      out.push_back(char((p >> 16) & 255));
    }
    out.resize(start + stride, '\0');
  }
  return out;
}

}  // namespace zt
