// Numbered files: OPEN TO READ, OPEN TO WRITE, CLOSE FILE, the READ and WRITE forms,
// FILE OPEN and FILE END. Owns the file table of the FileState (numbers 1 to 32). Files
// are read from the start or created new: nothing is ever overwritten or appended to.
// Every failure is a soft error, so the command has no effect and the program goes on;
// reading past the end is no error but sets the file's end flag.
#include <cstdio>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/runtime.h"
#include "services/state.h"

namespace zt {

namespace {

// The record of the file number in operand `at`, or null after the soft error: 8213 for
// a number outside 1 to 32, 8204 when it must be open and is not.
FileRecord* fileAt(Runtime& rt, Word* pc, int at, bool mustBeOpen) {
  const int32_t n = operand(pc, at).i;
  if (n < 1 || n > MaxFileNumber) {
    raiseSoftError(rt, ErrFileNumber);
    return nullptr;
  }
  FileRecord& r = rt.files.FileTable[size_t(n)];
  if (mustBeOpen && !r.handle) {
    raiseSoftError(rt, ErrFileNotOpen);
    return nullptr;
  }
  return &r;
}

// Opens operand 1's file under operand 0's number: for reading it must exist, for writing
// it must not.
template <OpenMode Mode>
void openNumber(Runtime& rt, Word* pc) {
  FileRecord* r = fileAt(rt, pc, 0, false);
  if (!r) return;
  if (r->handle) {
    raiseSoftError(rt, ErrFileAlreadyOpen);
    return;
  }
  const std::string_view name = cellText(operand(pc, 1));
  const bool reading = Mode == OpenMode::ReadExisting;
  if (fileExists(rt, name) != reading) {
    raiseSoftError(rt, reading ? ErrFileNotFound : ErrFileExists);
    return;
  }
  r->handle = openFile(rt.fs.resolve(name), Mode);
  if (!r->handle) {
    r->endFlag = 0;
    raiseSoftError(rt, reading ? ErrOpenRead : ErrOpenWrite);
  }
}

void closeNumber(Runtime& rt, Word* pc) {
  FileRecord* r = fileAt(rt, pc, 0, false);
  if (!r) return;
  if (!r->handle) {
    raiseSoftError(rt, ErrFileNotOpen);
    return;
  }
  r->handle.reset();
  r->endFlag = 0;
}

// Reads `Bytes` bytes into operand 1 as a little-endian word, zero-extended: an integer,
// or a float's bits. Fewer bytes at the end of the file leave the rest 0; none at all
// set the end flag.
template <size_t Bytes>
void readWord(Runtime& rt, Word* pc) {
  FileRecord* r = fileAt(rt, pc, 0, true);
  if (!r) return;
  unsigned char b[4] = {};
  if (std::fread(b, 1, Bytes, r->handle.get()) == 0) {
    if (std::ferror(r->handle.get())) {
      std::clearerr(r->handle.get());
      raiseSoftError(rt, ErrFileRead);
      return;
    }
    r->endFlag = 1;
  }
  if (int32_t* target = wordDestination(rt, operand(pc, 1))) *target = littleEndianWord(b);
}

// Reads one line into operand 1. Any byte below 32 ends the line and is dropped, and so
// is an LF right after a CR (a lone CR ends a line without eating the next one's first
// character). A line stops at 255 characters; the rest comes with the next read.
void readLine(Runtime& rt, Word* pc) {
  FileRecord* r = fileAt(rt, pc, 0, true);
  if (!r) return;
  std::FILE* f = r->handle.get();
  std::string line;
  for (;;) {
    int c = std::fgetc(f);
    if (c >= 32 && line.size() < MaxStringLength) {
      line += char(c);
      continue;
    }
    if (c >= 32) {
      std::ungetc(c, f);
      break;
    }
    if (c == '\r') {
      c = std::fgetc(f);
      if (c != '\n' && c != EOF) std::ungetc(c, f);
    }
    if (c == EOF) {
      if (std::ferror(f)) {
        std::clearerr(f);
        raiseSoftError(rt, ErrFileRead);
        return;
      }
      r->endFlag = 1;
    }
    break;
  }
  if (char** target = stringDestination(rt, operand(pc, 1))) replaceString(*target, line);
}

bool writeBytes(Runtime& rt, FileRecord& r, std::string_view bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), r.handle.get()) == bytes.size()) return true;
  std::clearerr(r.handle.get());
  raiseSoftError(rt, ErrFileWrite);
  return false;
}

// Writes the low `Bytes` bytes of operand 1, little-endian: an integer, or a float's bits.
template <size_t Bytes>
void writeWord(Runtime& rt, Word* pc) {
  FileRecord* r = fileAt(rt, pc, 0, true);
  if (!r) return;
  std::string bytes;
  appendLittleEndian(bytes, operand(pc, 1).i, Bytes);
  writeBytes(rt, *r, bytes);
}

void writeLine(Runtime& rt, Word* pc) {
  FileRecord* r = fileAt(rt, pc, 0, true);
  if (!r) return;
  writeBytes(rt, *r, cellText(operand(pc, 1)));
  writeBytes(rt, *r, "\r\n");
}

template <bool EndFlag>
void fileState(Runtime& rt, Word* pc) {
  const FileRecord* r = fileAt(rt, pc, 1, false);
  if (!r) return;
  operand(pc, 0).i = EndFlag ? r->endFlag : r->handle ? 1 : 0;
}

const CommandRow Rows[] = {
    {CmdOpenToRead, skipAfter<openNumber<OpenMode::ReadExisting>, 2>},
    {CmdOpenToWrite, skipAfter<openNumber<OpenMode::CreateNew>, 2>},
    {CmdCloseFile, skipAfter<closeNumber, 1>},
    {CmdReadByte, skipAfter<readWord<1>, 2>},
    {CmdReadWord, skipAfter<readWord<2>, 2>},
    {CmdReadLong, skipAfter<readWord<4>, 2>},
    {CmdReadFile, skipAfter<readWord<4>, 2>},
    {CmdReadFloat, skipAfter<readWord<4>, 2>},
    {CmdReadString, skipAfter<readLine, 2>},
    {CmdWriteByte, skipAfter<writeWord<1>, 2>},
    {CmdWriteWord, skipAfter<writeWord<2>, 2>},
    {CmdWriteLong, skipAfter<writeWord<4>, 2>},
    {CmdWriteFile, skipAfter<writeWord<4>, 2>},
    {CmdWriteFloat, skipAfter<writeWord<4>, 2>},
    {CmdWriteString, skipAfter<writeLine, 2>},
    {CmdFileOpen, skipAfter<fileState<false>, 2>},
    {CmdFileEnd, skipAfter<fileState<true>, 2>},
};

}  // namespace

extern const std::span<const CommandRow> FileRows(Rows);

}  // namespace zt
