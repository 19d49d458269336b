// The game's payload: the program image and the media files appended to an executable.
// Layout: entries of (name length with its NUL, name, data size, data), then a 4-byte
// trailer with the file offset where the payload starts (integers little-endian). Unless
// the entries fill the space up to the trailer exactly, the file has no payload. Commands
// that open a file by name ask here first; a hit is written to TempFolder as "_virtual."
// + extension, and the command opens that copy.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

struct Runtime;

constexpr size_t MaxPayloadName = 255;

struct PayloadEntry {
  std::string name;   // lower case, as the lookups compare it
  size_t offset = 0;  // of the data within the payload's bytes
  uint32_t size = 0;
};

struct Payload {
  std::vector<char> bytes;            // from the payload start to the end of the file
  std::vector<PayloadEntry> entries;  // in payload order; empty when there is no payload
  std::string defect;                 // why a tail that looked like a payload was rejected

  std::string_view data(const PayloadEntry& e) const { return {bytes.data() + e.offset, e.size}; }
};

// Reads the payload at the end of `path`. False only when the file cannot be read (or
// its payload is too large to hold); a file without a (well-formed) payload gives true
// and no entries.
bool openPayload(Payload& payload, const std::string& path);
// Parses a payload's bytes (from its start to the end of the file) into entries.
void parsePayload(Payload& payload);

// Writes the first entry (the program image) to "_virtual.dat" in TempFolder and puts
// that path into `path`; false, leaving `path` alone, when there is no entry or the
// write fails.
bool extractProgram(Runtime& rt, std::string& path);
// Looks the name up in the payload (case folded, "/" taken as "\"); on a hit `path`
// becomes the extracted copy. `extension` names the copy; characters other than letters,
// digits and "_" are replaced, so a name cannot steer the copy out of TempFolder.
bool findVirtualFile(Runtime& rt, std::string& path, std::string_view extension);
// The same, but compares only with the part of each entry's name after its last "\".
bool findVirtualFileByBaseName(Runtime& rt, std::string& name, std::string_view extension);
// Deletes the extracted copies that the lookups share and forgets the payload.
void closePayload(Runtime& rt);

}  // namespace zt
