// Pools of fixed records linked by index, shared by the image, sprite and 3D tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace zt {

// Records linked by index: a free list, and an in-use list in the order the records were
// taken, starting with `Initial` records and doubling when fewer than `Margin` are spare.
template <class Record, size_t Initial, int32_t Margin>
struct LinkedPool {
  std::vector<Record> records;
  int32_t freeHead = -1;
  int32_t head = -1, tail = -1;
  int32_t inUse = 0;

  // A fresh record appended to the in-use list; -1 when the pool cannot grow.
  int32_t take() {
    if (int64_t(records.size()) - Margin < inUse || freeHead < 0) {
      const size_t old = records.size();
      try {
        records.resize(old == 0 ? Initial : old * 2);
      } catch (const std::bad_alloc&) {
        return -1;
      }
      for (size_t i = records.size(); i-- > old;) {
        records[i].next = freeHead;
        freeHead = int32_t(i);
      }
    }
    const int32_t i = freeHead;
    freeHead = records[size_t(i)].next;
    records[size_t(i)] = Record{};
    records[size_t(i)].prev = tail;
    if (tail >= 0)
      records[size_t(tail)].next = i;
    else
      head = i;
    tail = i;
    ++inUse;
    return i;
  }

  void release(int32_t i) {
    Record& r = records[size_t(i)];
    if (r.prev >= 0)
      records[size_t(r.prev)].next = r.next;
    else
      head = r.next;
    if (r.next >= 0)
      records[size_t(r.next)].prev = r.prev;
    else
      tail = r.prev;
    r = Record{};
    r.next = freeHead;
    freeHead = i;
    --inUse;
  }

  void clear() {
    records.clear();
    records.shrink_to_fit();
    freeHead = head = tail = -1;
    inUse = 0;
  }

  Record& operator[](int32_t i) { return records[size_t(i)]; }
};

}  // namespace zt
