// Directories: the current directory (SET DIR, CD, GET DIR$), the directory search (FIND
// FIRST, FIND NEXT, GET FILE NAME$, GET FILE TYPE, GET FILE DATE$), the listings DIR and
// DRIVELIST printed on the console, and the checklists of files and drives. Owns the
// DirectorySearch of the FileState. SET DIR and CD (8003) and FIND FIRST (8001) raise
// hard errors; FIND NEXT past the end raises 8002, which is soft.
#include <cstdio>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/runtime.h"
#include "display2d/bitmaps.h"
#include "display2d/console.h"
#include "services/state.h"

namespace zt {

namespace {

void setDirectory(Runtime& rt, Word* pc) {
  if (!rt.fs.changeDirectory(cellText(operand(pc, 0)))) raiseError(rt, ErrChangeDirectory);
}

// Starts a search of the current directory; false after raising 8001 when it finds nothing.
bool findFirst(Runtime& rt) {
  DirectorySearch& s = rt.files.Search;
  s = DirectorySearch{};
  if (!listDirectory(rt.fs.resolve("."), s.entries) || s.entries.empty()) {
    s = DirectorySearch{};
    raiseError(rt, ErrNothingFound);
    return false;
  }
  s.active = true;
  s.lastResult = 0;
  return true;
}

void advance(DirectorySearch& s) {
  if (s.current + 1 < s.entries.size())
    ++s.current;
  else
    s.lastResult = -1;
}

Word* opFindFirst(Runtime& rt, Word* pc) {
  findFirst(rt);
  return pc;
}

Word* opFindNext(Runtime& rt, Word* pc) {
  DirectorySearch& s = rt.files.Search;
  if (!s.active) return pc;
  if (s.lastResult == -1)
    raiseError(rt, ErrSearchExhausted);
  else
    advance(s);
  return pc;
}

// Listings print like PRINT and end the slice when the screen refreshes by itself, so
// they show at once.
Word* opDir(Runtime& rt, Word* pc) {
  printLine(rt, rt.fs.currentDirectory() + ":");
  if (!findFirst(rt)) return pc;
  DirectorySearch& s = rt.files.Search;
  while (s.lastResult != -1) {
    const DirectoryEntry& e = s.entries[s.current];
    printLine(rt, e.isDirectory ? "<dir>" + e.name : e.name);
    advance(s);
  }
  yieldForAutoRefresh(rt);
  return pc;
}

std::string driveText(char letter) { return std::string(1, letter) + ":"; }

Word* opDriveList(Runtime& rt, Word* pc) {
  for (char letter : FileSystem::drives()) printLine(rt, driveText(letter));
  yieldForAutoRefresh(rt);
  return pc;
}

Word* opChecklistForFiles(Runtime& rt, Word* pc) {
  if (!findFirst(rt)) return pc;
  startChecklist(rt);
  for (const DirectoryEntry& e : rt.files.Search.entries)
    if (ChecklistEntry* entry = addChecklistEntry(rt, e.name)) entry->a = e.isDirectory ? 1 : 0;
  rt.files.Search = DirectorySearch{};
  finishChecklist(rt, true, true);
  return pc;
}

Word* opChecklistForDrives(Runtime& rt, Word* pc) {
  startChecklist(rt);
  for (char letter : FileSystem::drives()) addChecklistEntry(rt, driveText(letter));
  finishChecklist(rt, true, false);
  return pc;
}

Word* opGetDir(Runtime& rt, Word* pc) {
  storeString(operand(pc, 0), rt.fs.currentDirectory());
  return pc + 1;
}

const DirectoryEntry* currentEntry(Runtime& rt) {
  const DirectorySearch& s = rt.files.Search;
  return s.active ? &s.entries[s.current] : nullptr;
}

Word* opFileName(Runtime& rt, Word* pc) {
  const DirectoryEntry* e = currentEntry(rt);
  storeString(operand(pc, 0), e ? e->name : std::string());
  return pc + 1;
}

Word* opFileType(Runtime& rt, Word* pc) {
  const DirectoryEntry* e = currentEntry(rt);
  operand(pc, 0).i = !e || rt.files.Search.lastResult == -1 ? -1 : e->isDirectory ? 1 : 0;
  return pc + 1;
}

// The last-write time in local time as 24 characters: "Sun Dec 06 21:59:42 2026".
std::string timeText(int64_t seconds) {
  static constexpr const char* Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::tm t = localTime(seconds);
  char text[64];
  std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %d", Days[(t.tm_wday % 7 + 7) % 7],
                Months[(t.tm_mon % 12 + 12) % 12], t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, t.tm_year + 1900);
  return std::string(text).substr(0, 24);
}

Word* opFileDate(Runtime& rt, Word* pc) {
  const DirectoryEntry* e = currentEntry(rt);
  storeString(operand(pc, 0), e ? timeText(e->modified) : std::string());
  return pc + 1;
}

const CommandRow Rows[] = {
    {CmdSetDir, skipAfter<setDirectory, 1>},
    {CmdDir, opDir},
    {CmdDrivelist, opDriveList},
    {CmdPerformChecklistForFiles, opChecklistForFiles},
    {CmdPerformChecklistForDrives, opChecklistForDrives},
    {CmdFindFirst, opFindFirst},
    {CmdFindNext, opFindNext},
    {CmdCd, skipAfter<setDirectory, 1>},
    {CmdGetDir, opGetDir},
    {CmdGetFileName, opFileName},
    {CmdGetFileType, opFileType},
    {CmdGetFileDate, opFileDate},
};

}  // namespace

extern const std::span<const CommandRow> DirectoryRows(Rows);

}  // namespace zt
