#include "display2d/display_list.h"

#include <new>

#include "core/error_numbers.h"
#include "core/runtime.h"
#include "display2d/state.h"

namespace zt {

namespace {

// Links records [from, pool end) into the free list.
void linkFree(DisplayList& list, size_t from) {
  for (size_t i = list.pool.size(); i-- > from;) {
    list.pool[i].next = list.freeHead;
    list.freeHead = int32_t(i);
  }
}

bool grow(DisplayList& list) {
  const size_t old = list.pool.size();
  try {
    list.pool.resize(old == 0 ? InitialDisplayRecords : old * 2);
  } catch (const std::bad_alloc&) {
    return false;
  }
  linkFree(list, old);
  return true;
}

void unlink(DisplayList& list, int32_t i) {
  DisplayRecord& r = list.pool[size_t(i)];
  if (r.prev >= 0) list.pool[size_t(r.prev)].next = r.next;
  else list.head = r.next;
  if (r.next >= 0) list.pool[size_t(r.next)].prev = r.prev;
  else list.tail = r.prev;
  r.next = list.freeHead;
  r.prev = -1;
  r.result = nullptr;
  list.freeHead = i;
  --list.inUse;
}

// Records whose work needs memory in proportion to a bitmap (saving, blurring, text of a
// huge font) raise 101 when it runs short, as the command itself would have.
void runRecord(Runtime& rt, DisplayRecord& r) {
  const RecordRunner run = r.op > 0 && r.op < RecordCodeCount ? rt.bitmaps.displayList.runners[size_t(r.op)] : nullptr;
  if (!run) return;
  rt.interp.Current = r.command;
  try {
    run(rt, r);
  } catch (const std::bad_alloc&) {
    raiseError(rt, ErrOutOfMemory);
  }
  rt.interp.Current = nullptr;
}

}  // namespace

DisplayRecord* AddRecord(Runtime& rt, int32_t op) {
  BitmapState& b = rt.bitmaps;
  DisplayList& list = b.displayList;
  if (int64_t(list.pool.size()) - DisplaySpareMargin < list.inUse || list.freeHead < 0) {
    if (!grow(list)) {
      raiseError(rt, ErrOutOfMemory);
      return nullptr;
    }
  }
  const int32_t i = list.freeHead;
  DisplayRecord& r = list.pool[size_t(i)];
  list.freeHead = r.next;
  r = DisplayRecord{};
  r.op = op;
  r.command = rt.interp.Current;
  r.bitmapNumber = b.CurrentBitmap;
  r.target = b.CurrentTarget;
  r.lifetime = b.CurrentBitmap != 0 ? 1 : b.ScreenLifetime;
  r.prev = list.tail;
  if (list.tail >= 0) list.pool[size_t(list.tail)].next = i;
  else list.head = i;
  list.tail = i;
  ++list.inUse;
  return &r;
}

void RunDisplayList(Runtime& rt) {
  if (!backBuffer(rt.display)) return;
  DisplayList& list = rt.bitmaps.displayList;
  for (int32_t i = list.head; i >= 0;) {
    DisplayRecord& r = list.pool[size_t(i)];
    const int32_t next = r.next;
    --r.lifetime;
    runRecord(rt, r);
    if (r.lifetime <= 0) unlink(list, i);
    i = next;
  }
}

void buildRecordTable(DisplayList& list, std::span<const std::span<const RecordRow>> families) {
  list.runners.fill(nullptr);
  for (std::span<const RecordRow> family : families)
    for (const RecordRow& row : family) list.runners[size_t(row.op)] = row.run;
}

void ClearDisplayList(DisplayList& list) {
  list.pool.clear();
  list.freeHead = list.head = list.tail = -1;
  list.inUse = 0;
}

}  // namespace zt
