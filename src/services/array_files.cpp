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

// The word two before the command's identifier (operand 1 of the element read before
// it) as a cell number, or -1 when it is no cell.
int32_t cellTwoBefore(Runtime& rt, Word* pc) {
  ProgramImage& img = rt.image;
  const size_t at = img.codeIndex(commandWord(pc));
  if (at < 2) return -1;
  const uintptr_t offset = uintptr_t(img.CodeBlock[at - 2].n) - uintptr_t(img.ValueArea.data());
  return offset % sizeof(Cell) || offset / sizeof(Cell) >= img.ValueArea.size() ? -1 : int32_t(offset / sizeof(Cell));
}

// ArrayTable index of the array the command works on, which must exist and hold `kind`;
// -1 after raising 109 otherwise.
int namedArray(Runtime& rt, Word* pc, char kind) {
  const int32_t n = cellTwoBefore(rt, pc);
  const int index = n - IntVars;
  if (n >= IntVars && n < IntConsts && arrayKind(index) == kind && rt.arrays.ArrayTable[size_t(index)]) return index;
  raiseError(rt, ErrNoArray);
  return -1;
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
int openArrayFile(Runtime& rt, Word* pc, char kind, size_t bytesPerElement, std::string& bytes) {
  const int index = namedArray(rt, pc, kind);
  if (index < 0) return -1;
  FileHandle f = openFile(lookupPath(rt, cellText(operand(pc, 0)), "dat"), OpenMode::ReadAlways);
  if (!f || !readUpTo(f.get(), bytesPerElement * size_t(rt.arrays.ArrayDescriptors[size_t(index)].total), bytes)) {
    raiseError(rt, ErrFileFailed);
    return -1;
  }
  return index;
}

// Integer and float arrays: element i is word i of the file; elements the file does not
// reach become 0, bytes beyond the array are ignored.
template <char Kind>
Word* opLoadWords(Runtime& rt, Word* pc) {
  std::string bytes;
  const int index = openArrayFile(rt, pc, Kind, 4, bytes);
  if (index < 0) return pc;
  auto* elements = static_cast<int32_t*>(rt.arrays.ArrayTable[size_t(index)]);
  const int32_t total = rt.arrays.ArrayDescriptors[size_t(index)].total;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  for (int32_t i = 0; i < total; ++i) {
    const size_t at = size_t(i) * 4;
    elements[i] = at + 4 <= bytes.size() ? littleEndianWord(b + at) : 0;
  }
  return pc + 2;
}

// String arrays: one element per line. A line ends at CR LF, which is dropped, or after
// 255 characters; elements the file does not reach become empty. A blank line is an empty
// element, so that what SAVE ARRAY wrote loads back in place.
Word* opLoadLines(Runtime& rt, Word* pc) {
  std::string bytes;
  const int index = openArrayFile(rt, pc, 'S', LineLimit, bytes);
  if (index < 0) return pc;
  auto* elements = static_cast<char**>(rt.arrays.ArrayTable[size_t(index)]);
  const int32_t total = rt.arrays.ArrayDescriptors[size_t(index)].total;
  std::string_view data = bytes;
  for (int32_t i = 0; i < total; ++i) {
    size_t end = 0;
    while (end < data.size() && end < MaxStringLength && data.substr(end, 2) != "\r\n") ++end;
    replaceString(elements[i], data.substr(0, end));
    data.remove_prefix(data.substr(end, 2) == "\r\n" ? end + 2 : end);
  }
  return pc + 2;
}

std::string wordBytes(Runtime& rt, int index) {
  const auto* elements = static_cast<const int32_t*>(rt.arrays.ArrayTable[size_t(index)]);
  std::string bytes;
  for (int32_t i = 0; i < rt.arrays.ArrayDescriptors[size_t(index)].total; ++i)
    appendLittleEndian(bytes, elements[i], 4);
  return bytes;
}

// An unassigned element is an empty line.
std::string lineBytes(Runtime& rt, int index) {
  const auto* elements = static_cast<char* const*>(rt.arrays.ArrayTable[size_t(index)]);
  std::string bytes;
  for (int32_t i = 0; i < rt.arrays.ArrayDescriptors[size_t(index)].total; ++i)
    bytes.append(elements[i] ? elements[i] : "").append("\r\n");
  return bytes;
}

// The file is replaced as a whole, so a failed write keeps its old contents.
template <char Kind, std::string (*Bytes)(Runtime&, int)>
Word* opSave(Runtime& rt, Word* pc) {
  const int index = namedArray(rt, pc, Kind);
  if (index < 0) return pc;
  if (!replaceFile(rt.fs.resolve(cellText(operand(pc, 0))), Bytes(rt, index))) {
    raiseError(rt, ErrFileFailed);
    return pc;
  }
  return pc + 2;
}

const CommandRow Rows[] = {
    {5001, "LOAD ARRAY", "SL", opLoadWords<'L'>},
    {5002, "LOAD ARRAY", "SF", opLoadWords<'F'>},
    {5003, "LOAD ARRAY", "SS", opLoadLines},
    {5004, "SAVE ARRAY", "SL", opSave<'L', wordBytes>},
    {5005, "SAVE ARRAY", "SF", opSave<'F', wordBytes>},
    {5006, "SAVE ARRAY", "SS", opSave<'S', lineBytes>},
};

}  // namespace

extern const std::span<const CommandRow> ArrayFileRows(Rows);

}  // namespace zt
