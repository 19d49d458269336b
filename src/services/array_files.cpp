// Array files: LOAD ARRAY and SAVE ARRAY move a whole array to and from a file, integer
// and float elements as little-endian 32-bit words copied bit for bit, string elements as
// lines ending in CR LF. The array is named by the element read that the compiler puts
// just before the command. No records of its own; every error here is hard.
#include <cstdlib>

#include "core/family.h"
#include "core/runtime.h"

namespace zt {

namespace {

constexpr int32_t ErrFileFailed = 104;
constexpr int32_t ErrNoArray = 109;
constexpr size_t LineLimit = MaxStringLength + 2;  // a line and its CR LF

// ArrayTable index of the array the command works on: the word two before its identifier
// (operand 1 of the element read before it) must name an existing array of `kind`;
// otherwise -1.
int namedArray(Runtime& rt, char kind) {
  ProgramImage& img = rt.image;
  const size_t at = img.codeIndex(commandWord(rt));
  if (at < 2) return -1;
  const uintptr_t offset = uintptr_t(img.CodeBlock[at - 2].n) - uintptr_t(img.ValueArea.data());
  if (offset % sizeof(Cell) || offset / sizeof(Cell) >= img.ValueArea.size()) return -1;
  const int32_t n = int32_t(offset / sizeof(Cell));
  if (n < IntVars || n >= IntConsts || arrayKind(n - IntVars) != kind) return -1;
  return rt.arrays.ArrayTable[size_t(n - IntVars)] ? n - IntVars : -1;
}

// Up to `limit` bytes from the start of the file; false when reading fails.
bool readUpTo(std::FILE* f, size_t limit, std::string& bytes) {
  bytes.resize(limit);
  bytes.resize(std::fread(bytes.data(), 1, limit, f));
  return !std::ferror(f);
}

// The index of the array named before the command, with its file's first
// `bytesPerElement` x count bytes in `bytes` (the payload's copy when it holds the name;
// a missing file is created empty). -1 after raising the error when either is missing.
int openArrayFile(Runtime& rt, char kind, size_t bytesPerElement, std::string& bytes) {
  const int index = namedArray(rt, kind);
  if (index < 0) {
    raiseError(rt, ErrNoArray);
    return -1;
  }
  FileHandle f = openFile(lookupPath(rt, cellText(operand(rt, 0)), "dat"), OpenMode::ReadAlways);
  if (!f || !readUpTo(f.get(), bytesPerElement * size_t(rt.arrays.ArrayDescriptors[size_t(index)].total), bytes)) {
    raiseError(rt, ErrFileFailed);
    return -1;
  }
  return index;
}

// Integer and float arrays: element i is word i of the file; elements the file does not
// reach become 0, bytes beyond the array are ignored.
template <char Kind>
void opLoadWords(Runtime& rt) {
  std::string bytes;
  const int index = openArrayFile(rt, Kind, 4, bytes);
  if (index < 0) return;
  auto* elements = static_cast<int32_t*>(rt.arrays.ArrayTable[size_t(index)]);
  const int32_t total = rt.arrays.ArrayDescriptors[size_t(index)].total;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  for (int32_t i = 0; i < total; ++i) {
    const size_t at = size_t(i) * 4;
    elements[i] = at + 4 <= bytes.size()
                      ? int32_t(uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24)
                      : 0;
  }
  skipOperands(rt, 2);
}

// String arrays: one element per line. A line ends at CR LF, which is dropped, or after
// 255 characters; elements the file does not reach become empty. A blank line is an empty
// element, so that what SAVE ARRAY wrote loads back in place.
void opLoadLines(Runtime& rt) {
  std::string bytes;
  const int index = openArrayFile(rt, 'S', LineLimit, bytes);
  if (index < 0) return;
  auto* elements = static_cast<char**>(rt.arrays.ArrayTable[size_t(index)]);
  const int32_t total = rt.arrays.ArrayDescriptors[size_t(index)].total;
  std::string_view data = bytes;
  for (int32_t i = 0; i < total; ++i) {
    size_t end = 0;
    while (end < data.size() && end < MaxStringLength && data.substr(end, 2) != "\r\n") ++end;
    replaceString(elements[i], data.substr(0, end));
    data.remove_prefix(data.substr(end, 2) == "\r\n" ? end + 2 : end);
  }
  skipOperands(rt, 2);
}

// The file is replaced as a whole, so a failed write keeps its old contents.
void saveArrayFile(Runtime& rt, const std::string& bytes) {
  if (!replaceFile(rt.fs.resolve(cellText(operand(rt, 0))), bytes)) {
    raiseError(rt, ErrFileFailed);
    return;
  }
  skipOperands(rt, 2);
}

template <char Kind>
void opSaveWords(Runtime& rt) {
  const int index = namedArray(rt, Kind);
  if (index < 0) {
    raiseError(rt, ErrNoArray);
    return;
  }
  const auto* elements = static_cast<const int32_t*>(rt.arrays.ArrayTable[size_t(index)]);
  std::string bytes;
  bytes.reserve(size_t(rt.arrays.ArrayDescriptors[size_t(index)].total) * 4);
  for (int32_t i = 0; i < rt.arrays.ArrayDescriptors[size_t(index)].total; ++i)
    for (int shift = 0; shift < 32; shift += 8) bytes += char(uint32_t(elements[i]) >> shift);
  saveArrayFile(rt, bytes);
}

void opSaveLines(Runtime& rt) {
  const int index = namedArray(rt, 'S');
  if (index < 0) {
    raiseError(rt, ErrNoArray);
    return;
  }
  const auto* elements = static_cast<char* const*>(rt.arrays.ArrayTable[size_t(index)]);
  std::string bytes;
  for (int32_t i = 0; i < rt.arrays.ArrayDescriptors[size_t(index)].total; ++i)
    bytes.append(elements[i] ? elements[i] : "").append("\r\n");
  saveArrayFile(rt, bytes);
}

const CommandRow Rows[] = {
    {5001, "LOAD ARRAY", "SL", opLoadWords<'L'>},
    {5002, "LOAD ARRAY", "SF", opLoadWords<'F'>},
    {5003, "LOAD ARRAY", "SS", opLoadLines},
    {5004, "SAVE ARRAY", "SL", opSaveWords<'L'>},
    {5005, "SAVE ARRAY", "SF", opSaveWords<'F'>},
    {5006, "SAVE ARRAY", "SS", opSaveLines},
};

}  // namespace

extern const std::span<const CommandRow> ArrayFileRows(Rows);

}  // namespace zt
