// The deferred display list: 2D commands append fixed records that run at the start of
// the next frame, in the order they were added, against the bitmap that was current when
// they were added. A pool of records linked by index (a free list and an in-use list),
// doubling when fewer than four records are spare. Screen records live two frames with
// page flipping, so both buffers of the chain receive the same drawing.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "core/value.h"
#include "gfx/surface.h"

namespace zt {

struct Runtime;

enum RecordCode : int32_t {
  RecSetCurrentBitmap = 1,
  RecLoadBitmap = 2,
  RecSaveBitmap = 3,
  RecCreateBitmap = 4,
  RecDeleteBitmap = 5,
  RecCopyBitmap = 6,
  RecMirrorBitmap = 8,
  RecFlipBitmap = 9,
  RecBlurBitmap = 10,
  RecFadeBitmap = 11,
  RecClear = 101,
  RecPrint = 102,
  RecDot = 103,
  RecBox = 104,
  RecLine = 105,
  RecEllipse = 106,
  RecInk = 107,
  RecBackground = 108,
  RecPoint = 109,
  RecEraseText = 110,
  RecClearCameraView = 111,  // CLEAR CAMERA VIEW
  RecFontName = 201,
  RecFontSize = 202,
  RecTextOpaque = 205,
  RecTextTransparent = 206,
  RecStyleNormal = 207,  // 207 to 210: the four styles
  RecStyleBoldItalic = 210,
  RecText = 212,
  RecCenterText = 213,
};

// A surface as a record names it: bitmap 0 is whichever buffer is being drawn when the
// record runs; a numbered bitmap counts only while it is the same surface (its slot's
// generation), so a record never draws into a bitmap deleted or replaced after it was added.
struct SurfaceRef {
  int8_t bitmap = -1;  // -1: none
  uint32_t generation = 0;
};

struct DisplayRecord {
  int32_t next = -1, prev = -1;
  int32_t op = 0;
  int32_t arg1 = 0, arg2 = 0;
  int8_t lifetime = 0;
  int32_t bitmapNumber = 0;
  SurfaceRef target;
  int32_t arg3 = 0, arg4 = 0;
  int32_t number = 0;
  uint8_t opaque = 0;
  Cell* result = nullptr;  // a point record's result cell
  Word* command = nullptr;       // the command that added it: an error it raises is that command's
  std::array<char, 256> area{};  // a text of at most 255 characters, or nine more ints

  void setText(std::string_view text) {
    const size_t n = std::min(text.size(), area.size() - 1);
    if (n) std::memcpy(area.data(), text.data(), n);  // an empty view may have no data
    area[n] = 0;
  }
  std::string_view text() const { return std::string_view(area.data()); }
  int32_t extra(int i) const {
    int32_t v;
    std::memcpy(&v, area.data() + 4 * i, 4);
    return v;
  }
  void setExtra(int i, int32_t v) { std::memcpy(area.data() + 4 * i, &v, 4); }
  float arg3f() const { return std::bit_cast<float>(arg3); }
  float arg4f() const { return std::bit_cast<float>(arg4); }
};

// The rectangle of inclusive corners, as records give them, with an exclusive right and
// bottom that saturate instead of overflowing.
inline Rect inclusiveRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  auto after = [](int32_t v) { return v == INT32_MAX ? v : v + 1; };
  return {left, top, after(right), after(bottom)};
}

// What runs a record when the list runs: each family registers rows of record number and
// runner, as command families register their handlers.
using RecordRunner = void (*)(Runtime& rt, DisplayRecord& r);

struct RecordRow {
  int32_t op;
  RecordRunner run;
};

constexpr int32_t RecordCodeCount = 256;  // record numbers 1 to 255

struct DisplayList {
  std::array<RecordRunner, RecordCodeCount> runners{};  // null: the record does nothing
  std::vector<DisplayRecord> pool;
  int32_t freeHead = -1;
  int32_t head = -1, tail = -1;
  int32_t inUse = 0;
};

constexpr size_t InitialDisplayRecords = 2;
constexpr int32_t DisplaySpareMargin = 4;

// Takes a record (growing the pool when needed), captures the current bitmap and its
// surface, appends it and returns it with the lifetime of the current bitmap (1 for a
// numbered bitmap, the screen lifetime for bitmap 0); null after raising 101 when the
// pool cannot grow. The reference lasts until the next AddRecord.
DisplayRecord* AddRecord(Runtime& rt, int32_t op);
// Runs every record once; records whose lifetime is spent are removed.
void RunDisplayList(Runtime& rt);
// Empties the list; its runners stay.
void ClearDisplayList(DisplayList& list);
// Fills the runner table from every family's record rows.
void buildRecordTable(DisplayList& list, std::span<const std::span<const RecordRow>> families);
inline int32_t RecordCount(const DisplayList& list) { return list.inUse; }

}  // namespace zt
