// Line tables: where each command of a program image came from. The compiler writes one
// beside the image ("prog.img" -> "prog.zmap") and into a packed game; the engine reads
// it to name the source line of a run-time error or warning, and the disassembler to
// interleave the source. The format is text, one record a line:
//   zentropia-lines 1                  format name and version
//   image SIZE HASH                    the image it describes: its size in bytes and the
//                                      FNV-1a 64-bit hash of its bytes (16 hex digits)
//   file NAME                          source files, numbered from 0 in order
//   function NAME                      user functions, numbered from 1 in order
//   at WORD FILE LINE COLUMN FUNCTION  code words from WORD up to the next "at" come from
//                                      that place; FUNCTION 0 is the main program
// "at" records come in increasing WORD order. In names, "%" and bytes below 33 or above
// 126 are written as "%" and two hex digits. A table that breaks any rule is rejected
// as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

constexpr int LineTableVersion = 1;
// Larger tables are not read: a program of the compiler's 16 MB source limit needs less.
constexpr size_t MaxLineTableBytes = size_t(64) << 20;
constexpr size_t MaxLineTableName = 4096;

struct LinePlace {
  uint32_t word = 0;  // first code word of the range
  uint32_t file = 0;
  uint32_t line = 0;      // from 1
  uint32_t column = 0;    // from 1
  uint32_t function = 0;  // 0: the main program
};

struct LineTable {
  uint64_t imageSize = 0;
  uint64_t imageHash = 0;
  std::vector<std::string> files;
  std::vector<std::string> functions;  // function n is functions[n - 1]
  std::vector<LinePlace> places;       // by increasing word

  // The place of code word `word`, or null when it lies before the first range.
  const LinePlace* find(size_t word) const;
  // Whether the table was written for exactly these image bytes.
  bool describes(std::string_view image) const;
  // "file:line:column", followed by " in FUNCTION name" inside a function.
  std::string describe(const LinePlace& place) const;
};

uint64_t lineTableHash(std::string_view bytes);
// Where the table of an image file lies: beside it, its extension replaced by ".zmap".
std::string lineTablePath(std::string_view imagePath);

std::string writeLineTable(const LineTable& table);
// False with "line N: reason" when `text` is not a well-formed table; `table` is then empty.
bool readLineTable(std::string_view text, LineTable& table, std::string& error);

}  // namespace zt
