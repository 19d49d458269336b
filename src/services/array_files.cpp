// Array files: LOAD ARRAY and SAVE ARRAY move a whole array to and from a file, integer
// and float elements as little-endian 32-bit words copied bit for bit, string elements as
// lines ending in CR LF. The array is named by the element read that the compiler puts
// just before the command. No records of its own; every error here is hard.
#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/runtime.h"
#include "services/state.h"

namespace zt {

namespace {

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

// The file read in pieces with two bytes of look-ahead, so that an array of any size
// loads without a copy of the whole file.
class PieceReader {
 public:
  explicit PieceReader(std::FILE* f) : file(f) {}
  // The byte `ahead` places on (0 or 1), or -1 past the end.
  int peek(size_t ahead = 0) {
    if (end - at <= ahead) refill();
    return end - at > ahead ? buffer[at + ahead] : -1;
  }
  // Passes bytes already seen through peek.
  void skip(size_t n) { at += n; }
  bool failed() const { return std::ferror(file); }

 private:
  std::FILE* file;
  std::array<unsigned char, 65536> buffer;
  size_t at = 0, end = 0;
  bool ended = false;  // the elements past the file's end do not ask it again

  void refill() {
    if (ended) return;
    std::memmove(buffer.data(), buffer.data() + at, end - at);
    end -= at;
    at = 0;
    const size_t got = std::fread(buffer.data() + end, 1, buffer.size() - end, file);
    end += got;
    ended = got == 0;
  }
};

// The index of the array named before the command, with its file open for reading (the
// payload's copy when it holds the name; a missing file is created empty). -1 after
// raising the error when either is missing.
int openArrayFile(Runtime& rt, Word* pc, char kind, FileHandle& file) {
  const int index = namedArray(rt, pc, kind);
  if (index < 0) return -1;
  file = openFile(lookupPath(rt, cellText(operand(pc, 0)), "dat"), OpenMode::ReadAlways);
  if (!file) {
    raiseError(rt, ErrFileFailed);
    return -1;
  }
  return index;
}

// Integer and float arrays: element i is word i of the file; elements the file does not
// reach become 0, bytes beyond the array are ignored.
template <char Kind>
Word* opLoadWords(Runtime& rt, Word* pc) {
  FileHandle file;
  const int index = openArrayFile(rt, pc, Kind, file);
  if (index < 0) return pc;
  auto* elements = static_cast<int32_t*>(rt.arrays.ArrayTable[size_t(index)]);
  const size_t total = size_t(std::max(rt.arrays.ArrayDescriptors[size_t(index)].total, 0));
  std::array<unsigned char, 65536> piece;
  size_t i = 0;
  while (i < total) {
    const size_t words = std::fread(piece.data(), 4, std::min(piece.size() / 4, total - i), file.get());
    for (size_t w = 0; w < words; ++w) elements[i++] = littleEndianWord(piece.data() + 4 * w);
    if (words == 0) break;
  }
  std::fill(elements + i, elements + total, 0);
  if (std::ferror(file.get())) {
    raiseError(rt, ErrFileFailed);
    return pc;
  }
  return pc + 2;
}

// String arrays: one element per line. A line ends at CR LF, which is dropped, or after
// 255 characters; elements the file does not reach become empty. A blank line is an empty
// element, so that what SAVE ARRAY wrote loads back in place.
Word* opLoadLines(Runtime& rt, Word* pc) {
  FileHandle file;
  const int index = openArrayFile(rt, pc, 'S', file);
  if (index < 0) return pc;
  auto* elements = static_cast<char**>(rt.arrays.ArrayTable[size_t(index)]);
  const int32_t total = rt.arrays.ArrayDescriptors[size_t(index)].total;
  PieceReader in(file.get());
  auto atLineEnd = [&] { return in.peek() == '\r' && in.peek(1) == '\n'; };
  std::string line;
  for (int32_t i = 0; i < total; ++i) {
    line.clear();
    while (line.size() < MaxStringLength && in.peek() >= 0 && !atLineEnd()) {
      line.push_back(char(in.peek()));
      in.skip(1);
    }
    if (atLineEnd()) in.skip(2);
    replaceString(elements[i], line);
  }
  if (in.failed()) {
    raiseError(rt, ErrFileFailed);
    return pc;
  }
  return pc + 2;
}

constexpr size_t SavePiece = 65536;

// Integer and float elements as 32-bit little-endian words, one piece at a time.
bool wordBytes(Runtime& rt, int index, const ByteSink& sink) {
  const auto* elements = static_cast<const int32_t*>(rt.arrays.ArrayTable[size_t(index)]);
  std::string piece;
  for (int32_t i = 0; i < rt.arrays.ArrayDescriptors[size_t(index)].total; ++i) {
    appendLittleEndian(piece, elements[i], 4);
    if (piece.size() >= SavePiece && !sink(std::exchange(piece, {}))) return false;
  }
  return sink(piece);
}

// One line per element; an unassigned element is an empty line.
bool lineBytes(Runtime& rt, int index, const ByteSink& sink) {
  const auto* elements = static_cast<char* const*>(rt.arrays.ArrayTable[size_t(index)]);
  std::string piece;
  for (int32_t i = 0; i < rt.arrays.ArrayDescriptors[size_t(index)].total; ++i) {
    piece.append(elements[i] ? elements[i] : "").append("\r\n");
    if (piece.size() >= SavePiece && !sink(std::exchange(piece, {}))) return false;
  }
  return sink(piece);
}

// The file is replaced as a whole, so a failed write keeps its old contents.
template <char Kind, bool (*Bytes)(Runtime&, int, const ByteSink&)>
Word* opSave(Runtime& rt, Word* pc) {
  const int index = namedArray(rt, pc, Kind);
  if (index < 0) return pc;
  if (!replaceFile(rt.fs.resolve(cellText(operand(pc, 0))), [&](const ByteSink& sink) { return Bytes(rt, index, sink); })) {
    raiseError(rt, ErrFileFailed);
    return pc;
  }
  return pc + 2;
}

const CommandRow Rows[] = {
    {CmdLoadArraySL, opLoadWords<'L'>},
    {CmdLoadArraySF, opLoadWords<'F'>},
    {CmdLoadArraySS, opLoadLines},
    {CmdSaveArraySL, opSave<'L', wordBytes>},
    {CmdSaveArraySF, opSave<'F', wordBytes>},
    {CmdSaveArraySS, opSave<'S', lineBytes>},
};

}  // namespace

extern const std::span<const CommandRow> ArrayFileRows(Rows);

}  // namespace zt
