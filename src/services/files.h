// State shared by the file and directory commands: the file table (numbers 1 to 32, each
// an open file and its end flag) and the one directory search. Also the payload-aware
// lookup that every command opening a file by name goes through.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/commands.h"
#include "platform/fs.h"

namespace zt {

struct Runtime;

constexpr int MaxFileNumber = 32;

// Files hold words little-endian: the first `count` bytes of one, and the word read back
// from four bytes.
inline void appendLittleEndian(std::string& out, int32_t v, size_t count) {
  for (size_t i = 0; i < count; ++i) out += char(uint32_t(v) >> (8 * i));
}
inline int32_t littleEndianWord(const unsigned char* b) {
  return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
}

// The host path a command opens for a program's name: the payload's copy when the payload
// holds the name, else the name resolved on disk (empty when it cannot be a file name).
std::string lookupPath(Runtime& rt, std::string_view name, std::string_view extension);
// The existence test: the name is in the payload or a readable file on disk.
bool fileExists(Runtime& rt, std::string_view name);

extern const std::span<const CommandRow> ArrayFileRows;
extern const std::span<const CommandRow> FileRows;
extern const std::span<const CommandRow> FileSystemRows;
extern const std::span<const CommandRow> DirectoryRows;

}  // namespace zt
