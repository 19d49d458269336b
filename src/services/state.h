// The services' state: the checklist, the file table and directory search, and the
// system switches. Only services and the host include this; others use the public headers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "services/checklist.h"
#include "services/files.h"
#include "services/switches.h"

namespace zt {

struct ChecklistState {
  bool valid = false;
  bool hasValues = false;
  bool hasStrings = false;
  int32_t count = 0;
  std::array<ChecklistEntry, ChecklistCapacity> entries;
};

struct FileRecord {
  FileHandle handle;    // null when the number is closed
  int32_t endFlag = 0;  // a read returned no bytes
};

struct DirectorySearch {
  bool active = false;
  int32_t lastResult = -1;  // 0: an entry is current; -1: the search is exhausted
  std::vector<DirectoryEntry> entries;
  size_t current = 0;
};

struct FileState {
  std::array<FileRecord, MaxFileNumber + 1> FileTable;  // entry 0 unused
  DirectorySearch Search;
};

struct SwitchState {
  bool EscapeKeyEnabled = true;
  std::array<bool, 3> EditorLocks{};
};

}  // namespace zt
