// Software surfaces in system memory: 16-bit (5-6-5), 24-bit and 32-bit pixels, a pitch,
// lock and unlock, an optional source colour key, and the blits the 2D display uses: a
// colour fill, a straight copy with or without the colour key, and a stretching copy that
// can mirror left-right and up-down. Every operation clips to both surfaces, so no call
// writes outside a surface whatever rectangles it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zt {

struct PixelFormat {
  int bits = 16;  // 16, 24 or 32
  uint32_t redMask = 0xF800, greenMask = 0x07E0, blueMask = 0x001F;

  static PixelFormat forDepth(int bits);
  int bytesPerPixel() const { return bits / 8; }
  // Raw values are kept to the depth: a 24-bit pixel is the low three bytes.
  uint32_t depthMask() const { return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1; }
};

// A rectangle with exclusive right and bottom edges.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
};

struct BlitEffects {
  bool mirrorLeftRight = false;
  bool mirrorUpDown = false;
  bool sourceColorKey = false;
};

class Surface {
 public:
  // Fails (returns null) for a size that is not positive or too large to allocate.
  static std::unique_ptr<Surface> create(int width, int height, const PixelFormat& format);

  int width() const { return w; }
  int height() const { return h; }
  int pitch() const { return rowBytes; }
  const PixelFormat& format() const { return fmt; }
  Rect bounds() const { return {0, 0, w, h}; }

  // Locking hands out the pixel memory; a surface stays usable while locked (system
  // memory never moves), the count only tells callers whether a lock is held.
  uint8_t* lock() {
    ++locks;
    return pixels.get();
  }
  void unlock() {
    if (locks > 0) --locks;
  }
  bool locked() const { return locks > 0; }

  uint8_t* row(int y) { return pixels.get() + size_t(y) * size_t(rowBytes); }
  const uint8_t* row(int y) const { return pixels.get() + size_t(y) * size_t(rowBytes); }
  uint32_t pixel(int x, int y) const;  // 0 outside the surface
  void setPixel(int x, int y, uint32_t value);  // ignored outside the surface

  void setColorKey(uint32_t key) {
    colorKey = key & fmt.depthMask();
    hasKey = true;
  }
  void clearColorKey() { hasKey = false; }
  bool hasColorKey() const { return hasKey; }
  uint32_t sourceColorKey() const { return colorKey; }

 private:
  Surface(int width, int height, const PixelFormat& format);
  int w, h, rowBytes;
  PixelFormat fmt;
  std::unique_ptr<uint8_t[]> pixels;
  int locks = 0;
  bool hasKey = false;
  uint32_t colorKey = 0;
};

// Fills the part of `area` inside the surface with a raw pixel value.
void fillRect(Surface& dst, const Rect& area, uint32_t value);

// Sets the pixels at `count` points (x, y pairs) to a raw value; points outside the
// surface are skipped.
void plotPixels(Surface& dst, const int32_t* xy, size_t count, uint32_t value);

// Copies `from` of src to (x, y) of dst, clipped to both surfaces; with `useColorKey`
// source pixels equal to the source's colour key are skipped. Returns false when the
// formats differ.
bool bltFast(Surface& dst, int x, int y, const Surface& src, const Rect& from, bool useColorKey);

// Copies `from` of src into `to` of dst, stretching with nearest samples; the effects
// mirror the picture and apply the source colour key. Both rectangles are clipped to
// their surfaces with the scale kept. Returns false when the formats differ.
bool blt(Surface& dst, const Rect& to, const Surface& src, const Rect& from, const BlitEffects& fx = {});

}  // namespace zt
