// Bitmap commands: load, save, create, delete, copy, mirror, flip, blur and fade bitmaps,
// the current bitmap, SET GAMMA and the bitmap queries. Each command adds one of records
// 1 to 11, whose errors are raised when the display list runs them. Owns the BitmapState
// (the bitmap table, both current-bitmap pairs and the DisplayList).
#include "display2d/bitmaps.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/runtime.h"
#include "display2d/pixels.h"
#include "display2d/state.h"
#include "formats/bmp.h"
#include "platform/fs.h"
#include "platform/pictures.h"
#include "services/files.h"

namespace zt {

namespace {

constexpr int32_t MaxBlurValue = 8;
constexpr int32_t MaxFadeValue = 100;
constexpr int32_t MaxGammaValue = 511;

bool inRange(int32_t n) { return n >= 0 && n < BitmapCount; }

// The range check, then the existence check; raises the first that fails.
Surface* checkedBitmap(Runtime& rt, int32_t n) {
  if (!inRange(n)) {
    raiseError(rt, ErrBitmapNumber);
    return nullptr;
  }
  Surface* s = resolveSurface(rt, surfaceRefOf(rt.bitmaps, n));
  if (!s) raiseError(rt, ErrNoBitmap);
  return s;
}

void recordSize(BitmapSlot& slot, const Surface& s) {
  slot.width = s.width();
  slot.height = s.height();
  slot.depth = s.format().bits;
}

void placeSurface(BitmapSlot& slot, std::unique_ptr<Surface> s) {
  slot.surface = std::move(s);
  ++slot.generation;
  slot.mirrored = slot.flipped = 0;
  if (slot.surface) recordSize(slot, *slot.surface);
}

void makeCurrent(Runtime& rt, int32_t n) {
  BitmapState& b = rt.bitmaps;
  b.CurrentBitmap = b.ListBitmap = n;
  b.CurrentTarget = b.ListTarget = surfaceRefOf(b, n);
}

std::unique_ptr<Surface> newBitmapSurface(Runtime& rt, int32_t width, int32_t height) {
  return Surface::create(width, height, PixelFormat::forDepth(rt.display.ScreenDepth));
}

// ---- records ----

void runSetCurrent(Runtime& rt, DisplayRecord& r) {
  if (!checkedBitmap(rt, r.number)) return;
  rt.bitmaps.ListBitmap = r.number;
  rt.bitmaps.ListTarget = surfaceRefOf(rt.bitmaps, r.number);
}

void runLoad(Runtime& rt, DisplayRecord& r) {
  if (!inRange(r.number)) return raiseError(rt, ErrBitmapNumber);
  if (!fileExists(rt, r.text())) return raiseError(rt, ErrFileNotFound);
  std::unique_ptr<Surface> loaded = loadImageSurface(rt, r.text());
  if (!loaded) {
    if (r.lifetime <= 0) raiseError(rt, ErrBitmapLoad);
    return;
  }
  BitmapSlot& slot = rt.bitmaps.BitmapTable[size_t(r.number)];
  if (Surface* existing = resolveSurface(rt, surfaceRefOf(rt.bitmaps, r.number))) {
    bltFast(*existing, 0, 0, *loaded, loaded->bounds(), false);
    recordSize(slot, *existing);
  } else {
    loaded->setColorKey(rt.display.TransparentKey);
    placeSurface(slot, std::move(loaded));
  }
  makeCurrent(rt, r.number);
}

void runSave(Runtime& rt, DisplayRecord& r) {
  Surface* s = checkedBitmap(rt, r.number);
  if (!s) return;
  rt.bitmaps.ListBitmap = r.number;
  rt.bitmaps.ListTarget = surfaceRefOf(rt.bitmaps, r.number);
  const std::string path = rt.fs.resolve(r.text());
  if (!saveSurfaceFile(path, *s)) raiseError(rt, ErrBitmapSave);
}

void runCreate(Runtime& rt, DisplayRecord& r) {
  if (r.number == 0) return raiseError(rt, ErrCreateScreen);
  if (!inRange(r.number)) return raiseError(rt, ErrBitmapNumber);
  BitmapSlot& slot = rt.bitmaps.BitmapTable[size_t(r.number)];
  placeSurface(slot, nullptr);
  std::unique_ptr<Surface> s = r.arg1 > 0 && r.arg2 > 0 ? newBitmapSurface(rt, r.arg1, r.arg2) : nullptr;
  if (!s) return raiseError(rt, ErrBitmapCreate);
  placeSurface(slot, std::move(s));
  makeCurrent(rt, r.number);
}

void runDelete(Runtime& rt, DisplayRecord& r) {
  if (!inRange(r.number)) return raiseError(rt, ErrBitmapNumber);
  if (r.number == 0) return raiseError(rt, ErrDeleteScreen);
  if (!bitmapExists(rt.bitmaps, r.number)) return raiseError(rt, ErrNoBitmap);
  placeSurface(rt.bitmaps.BitmapTable[size_t(r.number)], nullptr);
  if (rt.bitmaps.ListBitmap == r.number) {
    rt.bitmaps.ListBitmap = 0;
    rt.bitmaps.ListTarget = surfaceRefOf(rt.bitmaps, 0);
  }
}

// A region given with inclusive corners: 1010 when it leaves the bitmap.
bool regionInside(const Rect& r, const Surface& s) {
  return r.left >= 0 && r.top >= 0 && r.right <= s.width() && r.bottom <= s.height();
}

void runCopy(Runtime& rt, DisplayRecord& r) {
  const int32_t from = r.number, to = r.extra(0);
  const bool whole = r.opaque == 0;
  if (!inRange(from) || !inRange(to)) return raiseError(rt, ErrBitmapNumber);
  if (whole && from == to) return raiseError(rt, ErrCopyOntoItself);
  Surface* src = checkedBitmap(rt, from);
  Surface* dst = src ? checkedBitmap(rt, to) : nullptr;
  if (!dst) return;
  if (whole) {
    if (dst->width() < src->width() || dst->height() < src->height()) return raiseError(rt, ErrDestinationSmall);
    if (!bltFast(*dst, 0, 0, *src, src->bounds(), false)) raiseError(rt, ErrBitmapBlit);
    return;
  }
  const Rect s = inclusiveRect(r.arg1, r.arg2, r.arg3, r.arg4);
  const Rect d = inclusiveRect(r.extra(1), r.extra(2), r.extra(3), r.extra(4));
  if (!regionInside(s, *src) || !regionInside(d, *dst)) return raiseError(rt, ErrRegionOutside);
  if (r.arg1 >= r.arg3 || r.arg2 >= r.arg4 || r.extra(1) >= r.extra(3) || r.extra(2) >= r.extra(4))
    return raiseError(rt, ErrRegionEmpty);
  if (!blt(*dst, d, *src, s)) raiseError(rt, ErrBitmapBlit);
}

// Swaps column i with column width - 1 - i (mirror), or row i with row height - 1 - i.
void mirrorSurface(Surface& s, bool columns) {
  const int bpp = s.format().bytesPerPixel();
  if (columns) {
    for (int y = 0; y < s.height(); ++y) {
      uint8_t* row = s.row(y);
      for (int i = 0, j = s.width() - 1; i < j; ++i, --j) std::swap_ranges(row + i * bpp, row + (i + 1) * bpp, row + j * bpp);
    }
  } else {
    const size_t bytes = size_t(s.width()) * size_t(bpp);
    for (int i = 0, j = s.height() - 1; i < j; ++i, --j) std::swap_ranges(s.row(i), s.row(i) + bytes, s.row(j));
  }
}

// Box blur of size value + 1 through summed-area tables of each component: the average
// of the window's pixels inside the bitmap, truncated.
void blurSurface(Surface& s, int32_t value) {
  const PixelLayout l = PixelLayout::of(s);
  const int w = s.width(), h = s.height(), size = value + 1, back = size / 2;
  const size_t stride = size_t(w) + 1;
  std::vector<uint32_t> sums[3];
  for (auto& table : sums) table.assign(stride * (size_t(h) + 1), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t p = s.pixel(x, y) & l.depthMask;
      const uint32_t c[3] = {l.red(p), l.green(p), l.blue(p)};
      const size_t at = size_t(y + 1) * stride + size_t(x + 1);
      for (int k = 0; k < 3; ++k) sums[k][at] = c[k] + sums[k][at - 1] + sums[k][at - stride] - sums[k][at - stride - 1];
    }
  auto boxSum = [&](int k, int x0, int y0, int x1, int y1) {  // inclusive corners, already clipped
    const std::vector<uint32_t>& t = sums[k];
    return t[size_t(y1 + 1) * stride + size_t(x1 + 1)] - t[size_t(y0) * stride + size_t(x1 + 1)] -
           t[size_t(y1 + 1) * stride + size_t(x0)] + t[size_t(y0) * stride + size_t(x0)];
  };
  auto out = Surface::create(w, h, s.format());
  if (!out) return;
  for (int y = 0; y < h; ++y) {
    const int y0 = std::max(0, y - back), y1 = std::min(h - 1, y - back + size - 1);
    for (int x = 0; x < w; ++x) {
      const int x0 = std::max(0, x - back), x1 = std::min(w - 1, x - back + size - 1);
      const uint32_t n = uint32_t((x1 - x0 + 1) * (y1 - y0 + 1));
      out->setPixel(x, y, l.join(boxSum(0, x0, y0, x1, y1) / n, boxSum(1, x0, y0, x1, y1) / n, boxSum(2, x0, y0, x1, y1) / n));
    }
  }
  bltFast(s, 0, 0, *out, out->bounds(), false);
}

void fadeSurface(Surface& s, int32_t value) {
  const PixelLayout l = PixelLayout::of(s);
  const uint32_t v = uint32_t(value);
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) {
      const uint32_t p = s.pixel(x, y) & l.depthMask;
      s.setPixel(x, y, l.join(l.red(p) * v / 100, l.green(p) * v / 100, l.blue(p) * v / 100));
    }
}

template <bool Columns>
void runMirror(Runtime& rt, DisplayRecord& r) {
  if (Surface* s = checkedBitmap(rt, r.number)) mirrorSurface(*s, Columns);
}

void runBlur(Runtime& rt, DisplayRecord& r) {
  Surface* s = checkedBitmap(rt, r.number);
  if (!s) return;
  if (r.arg1 < 1 || r.arg1 > MaxBlurValue) return raiseError(rt, ErrBlurValue);
  blurSurface(*s, r.arg1);
}

void runFade(Runtime& rt, DisplayRecord& r) {
  Surface* s = checkedBitmap(rt, r.number);
  if (!s) return;
  if (r.arg1 < 0 || r.arg1 > MaxFadeValue) return raiseError(rt, ErrFadeValue);
  fadeSurface(*s, r.arg1);
}

const RecordRow Records[] = {
    {RecSetCurrentBitmap, runSetCurrent}, {RecLoadBitmap, runLoad},         {RecSaveBitmap, runSave},
    {RecCreateBitmap, runCreate},         {RecDeleteBitmap, runDelete},     {RecCopyBitmap, runCopy},
    {RecMirrorBitmap, runMirror<true>},   {RecFlipBitmap, runMirror<false>}, {RecBlurBitmap, runBlur},
    {RecFadeBitmap, runFade},
};

// ---- commands ----

// A record about bitmap `number`: it runs once unless that is the screen.
DisplayRecord* addBitmapRecord(Runtime& rt, int32_t op, int32_t number) {
  DisplayRecord* r = AddRecord(rt, op);
  if (r) {
    r->number = number;
    r->lifetime = number != 0 ? 1 : rt.bitmaps.ScreenLifetime;
  }
  return r;
}

void requestCapture(Runtime& rt, std::string_view file) {
  rt.refresh.CapturePending = 1;
  rt.refresh.CaptureFile = file;
}

void loadBitmap(Runtime& rt, Word* pc, int32_t number) {
  if (DisplayRecord* r = addBitmapRecord(rt, RecLoadBitmap, number)) r->setText(cellText(operand(pc, 0)));
  rt.interp.YieldFlag = true;
}

Word* opLoadScreen(Runtime& rt, Word* pc) {
  loadBitmap(rt, pc, 0);
  return pc + 1;
}

Word* opLoadBitmap(Runtime& rt, Word* pc) {
  loadBitmap(rt, pc, operand(pc, 1).i);
  return pc + 2;
}

Word* opCaptureScreen(Runtime& rt, Word* pc) {
  requestCapture(rt, cellText(operand(pc, 0)));
  rt.interp.YieldFlag = true;
  return pc + 1;
}

Word* opSaveBitmap(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 1).i;
  if (n == 0)
    requestCapture(rt, cellText(operand(pc, 0)));
  else if (DisplayRecord* r = addBitmapRecord(rt, RecSaveBitmap, n))
    r->setText(cellText(operand(pc, 0)));
  rt.interp.YieldFlag = true;
  return pc + 2;
}

Word* opCreateBitmap(Runtime& rt, Word* pc) {
  if (DisplayRecord* r = addBitmapRecord(rt, RecCreateBitmap, operand(pc, 0).i)) {
    r->arg1 = operand(pc, 1).i;
    r->arg2 = operand(pc, 2).i;
    r->lifetime = 1;
  }
  rt.interp.YieldFlag = true;
  return pc + 3;
}

Word* opSetCurrentBitmap(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  if (DisplayRecord* r = addBitmapRecord(rt, RecSetCurrentBitmap, n)) r->lifetime = 1;
  if (inRange(n)) {
    rt.bitmaps.CurrentBitmap = n;
    rt.bitmaps.CurrentTarget = surfaceRefOf(rt.bitmaps, n);
  }
  yieldForAutoRefresh(rt);
  return pc + 1;
}

void yieldForDestination(Runtime& rt, int32_t to) {
  if (to == 0 && rt.interp.AutoRefresh) rt.interp.YieldFlag = true;
}

Word* opCopyBitmap(Runtime& rt, Word* pc) {
  const int32_t to = operand(pc, 1).i;
  if (DisplayRecord* r = addBitmapRecord(rt, RecCopyBitmap, operand(pc, 0).i)) {
    r->lifetime = to != 0 ? 1 : rt.bitmaps.ScreenLifetime;
    r->setExtra(0, to);
  }
  yieldForDestination(rt, to);
  return pc + 2;
}

Word* opCopyRegion(Runtime& rt, Word* pc) {
  const int32_t to = operand(pc, 5).i;
  if (DisplayRecord* r = addBitmapRecord(rt, RecCopyBitmap, operand(pc, 0).i)) {
    r->lifetime = to != 0 ? 1 : rt.bitmaps.ScreenLifetime;
    r->opaque = 1;  // a region copy
    r->arg1 = operand(pc, 1).i;
    r->arg2 = operand(pc, 2).i;
    r->arg3 = operand(pc, 3).i;
    r->arg4 = operand(pc, 4).i;
    for (int i = 0; i < 5; ++i) r->setExtra(i, operand(pc, 5 + i).i);
  }
  yieldForDestination(rt, to);
  return pc + 10;
}

Word* opDeleteBitmap(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  if (DisplayRecord* r = addBitmapRecord(rt, RecDeleteBitmap, n)) r->lifetime = 1;
  if (n == rt.bitmaps.CurrentBitmap) {
    rt.bitmaps.CurrentBitmap = 0;
    rt.bitmaps.CurrentTarget = surfaceRefOf(rt.bitmaps, 0);
  }
  return pc + 1;
}

template <int32_t Op, int32_t BitmapSlot::*Flag>
Word* opMirror(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  if (inRange(n)) rt.bitmaps.BitmapTable[size_t(n)].*Flag ^= 1;
  addBitmapRecord(rt, Op, n);
  if (n == 0) rt.interp.YieldFlag = true;
  return pc + 1;
}

template <int32_t Op>
Word* opBitmapEffect(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  if (DisplayRecord* r = addBitmapRecord(rt, Op, n)) r->arg1 = operand(pc, 1).i;
  if (n == 0) rt.interp.YieldFlag = true;
  return pc + 2;
}

Word* opSetGamma(Runtime& rt, Word* pc) {
  for (int i = 0; i < 3; ++i)
    if (operand(pc, i).i < 0 || operand(pc, i).i > MaxGammaValue) {
      raiseSoftError(rt, ErrGammaValue);  // a warning: the ramp stays and the program goes on
      return pc + 3;
    }
  if (rt.display.GammaAvailable)
    for (int i = 0; i < 3; ++i) setGammaRamp(rt.display, i, operand(pc, i).i);
  rt.interp.YieldFlag = true;
  return pc + 3;
}

Word* opBitmapExist(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 1).i;
  if (!inRange(n))
    raiseError(rt, ErrBitmapNumber);
  else
    operand(pc, 0).i = n == 0 || bitmapExists(rt.bitmaps, n);
  return pc + 2;
}

Word* opCurrentBitmap(Runtime& rt, Word* pc) {
  operand(pc, 0).i = rt.bitmaps.CurrentBitmap;
  return pc + 1;
}

// A query of the table entry of the current bitmap (Given false) or of operand 1.
template <int32_t BitmapSlot::*Field, bool Given>
Word* opBitmapQuery(Runtime& rt, Word* pc) {
  const int32_t n = Given ? operand(pc, 1).i : rt.bitmaps.CurrentBitmap;
  if (!inRange(n))
    raiseError(rt, ErrBitmapNumber);
  else if (n != 0 && !bitmapExists(rt.bitmaps, n))
    raiseError(rt, ErrNoBitmap);
  else
    operand(pc, 0).i = rt.bitmaps.BitmapTable[size_t(n)].*Field;
  return pc + (Given ? 2 : 1);
}

const CommandRow Rows[] = {
    {CmdLoadBitmapS, opLoadScreen},
    {CmdLoadBitmapSL, opLoadBitmap},
    {CmdSaveBitmapS, opCaptureScreen},
    {CmdSaveBitmapSL, opSaveBitmap},
    {CmdCreateBitmap, opCreateBitmap},
    {CmdSetCurrentBitmap, opSetCurrentBitmap},
    {CmdCopyBitmapLL, opCopyBitmap},
    {CmdCopyBitmapLLLLLLLLLL, opCopyRegion},
    {CmdDeleteBitmap, opDeleteBitmap},
    {CmdMirrorBitmap, opMirror<RecMirrorBitmap, &BitmapSlot::mirrored>},
    {CmdFlipBitmap, opMirror<RecFlipBitmap, &BitmapSlot::flipped>},
    {CmdBlurBitmap, opBitmapEffect<RecBlurBitmap>},
    {CmdFadeBitmap, opBitmapEffect<RecFadeBitmap>},
    {CmdSetGamma, opSetGamma},
    {CmdBitmapExist, opBitmapExist},
    {CmdCurrentBitmap, opCurrentBitmap},
    {CmdBitmapWidthL, opBitmapQuery<&BitmapSlot::width, false>},
    {CmdBitmapHeightL, opBitmapQuery<&BitmapSlot::height, false>},
    {CmdBitmapDepthL, opBitmapQuery<&BitmapSlot::depth, false>},
    {CmdBitmapMirroredL, opBitmapQuery<&BitmapSlot::mirrored, false>},
    {CmdBitmapFlippedL, opBitmapQuery<&BitmapSlot::flipped, false>},
    {CmdBitmapWidthLL, opBitmapQuery<&BitmapSlot::width, true>},
    {CmdBitmapHeightLL, opBitmapQuery<&BitmapSlot::height, true>},
    {CmdBitmapDepthLL, opBitmapQuery<&BitmapSlot::depth, true>},
    {CmdBitmapMirroredLL, opBitmapQuery<&BitmapSlot::mirrored, true>},
    {CmdBitmapFlippedLL, opBitmapQuery<&BitmapSlot::flipped, true>},
};

}  // namespace

Surface* resolveSurface(Runtime& rt, SurfaceRef ref) {
  if (ref.bitmap == 0) return backBuffer(rt.display);
  if (ref.bitmap < 0 || ref.bitmap >= BitmapCount) return nullptr;
  BitmapSlot& slot = rt.bitmaps.BitmapTable[size_t(ref.bitmap)];
  return slot.generation == ref.generation ? slot.surface.get() : nullptr;
}

SurfaceRef surfaceRefOf(const BitmapState& b, int32_t number) {
  if (number == 0) return {0, 0};
  if (!bitmapExists(b, number)) return {};
  return {int8_t(number), b.BitmapTable[size_t(number)].generation};
}

bool bitmapExists(const BitmapState& b, int32_t number) {
  return inRange(number) && (number == 0 || b.BitmapTable[size_t(number)].surface != nullptr);
}

void resetCurrentBitmaps(Runtime& rt) {
  BitmapState& b = rt.bitmaps;
  makeCurrent(rt, 0);
  if (Surface* back = backBuffer(rt.display)) recordSize(b.BitmapTable[0], *back);
  b.BitmapTable[0].mirrored = b.BitmapTable[0].flipped = 0;
  b.ScreenLifetime = rt.display.PageFlipping ? 2 : 1;
}

void releaseBitmaps(BitmapState& b) {
  for (int n = 1; n < BitmapCount; ++n) placeSurface(b.BitmapTable[size_t(n)], nullptr);
}

std::unique_ptr<Surface> loadImageSurface(Runtime& rt, std::string_view name) {
  const std::string_view extension = name.substr(name.size() >= 3 ? name.size() - 3 : 0);
  std::string file;
  RgbImage image;
  if (!readWholeFile(lookupPath(rt, name, extension), file, MaxImageFileBytes) || !decodePicture(file, image))
    return nullptr;
  std::unique_ptr<Surface> s = newBitmapSurface(rt, image.width, image.height);
  if (s) putImage(*s, image);
  return s;
}

void putImage(Surface& dst, const RgbImage& image) {
  const PixelLayout l = PixelLayout::of(dst);
  const int w = std::min(dst.width(), image.width), h = std::min(dst.height(), image.height);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) dst.setPixel(x, y, l.matchOf(image.at(x, y)));
}

bool saveSurfaceFile(const std::string& path, const Surface& s) {
  const bool png = path.size() >= 4 && std::equal(path.end() - 4, path.end(), ".png", [](char a, char b) {
                     return std::tolower(static_cast<unsigned char>(a)) == b;
                   });
  return replaceFile(path, [&](const ByteSink& sink) {
    if (!png) return sink(encodeBmp24(surfaceImage(s)));
    std::string file;
    return encodePng(surfaceImage(s), file) && sink(file);
  });
}

RgbImage surfaceImage(const Surface& s) {
  const PixelLayout l = PixelLayout::of(s);
  RgbImage image;
  image.width = s.width();
  image.height = s.height();
  image.pixels.resize(size_t(s.width()) * size_t(s.height()));
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x)
      image.pixels[size_t(y) * size_t(s.width()) + size_t(x)] = uint32_t(l.colourOf(s.pixel(x, y)));
  return image;
}

void yieldForScreen(Runtime& rt) {
  if (rt.bitmaps.CurrentBitmap == 0 && rt.interp.AutoRefresh) rt.interp.YieldFlag = true;
}

void yieldForAutoRefresh(Runtime& rt) {
  if (rt.interp.AutoRefresh) rt.interp.YieldFlag = true;
}

extern const std::span<const CommandRow> BitmapRows(Rows);
extern const std::span<const RecordRow> BitmapRecords(Records);

}  // namespace zt
