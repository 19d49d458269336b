// The checklist: one result list that the PERFORM CHECKLIST commands of several families
// fill and the CHECKLIST functions read. A filler starts it, adds up to 256 entries (the
// rest are dropped) and finishes it, saying whether the fill succeeded and whether the
// entries' values A to D mean anything.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/commands.h"

namespace zt {

struct Runtime;

constexpr int ChecklistCapacity = 256;

struct ChecklistEntry {
  int32_t a = -1, b = -1, c = -1, d = -1;
  std::string text;
};

// EMPTY CHECKLIST and the start of a run: no checklist, every entry -1 and empty.
void emptyChecklist(Runtime& rt);
// A filler: count 0, then entries from index 0, then the flags.
void startChecklist(Runtime& rt);
// The next entry with its text set, or null once 256 are stored.
ChecklistEntry* addChecklistEntry(Runtime& rt, std::string_view text);
void finishChecklist(Runtime& rt, bool valid, bool hasValues);

extern const std::span<const CommandRow> ChecklistRows;

}  // namespace zt
