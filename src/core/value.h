// Value cells and code words.
// Every value a command touches lives in a cell of the ValueArea. Integer and float
// semantics are exactly 32-bit; a cell is 8 bytes so that it can hold a pointer (a
// string block or an array's element block) on a 64-bit machine. Decoded code words
// are 8 bytes too: a command identifier, a cell address, a plain integer or a code
// address.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zt {

union Cell {
  int32_t i;
  float f;
  char* s;      // owned NUL-terminated string, null before first use
  void* block;  // element block of an array variable
};
static_assert(sizeof(Cell) == 8);

// A cell of all zero bytes. `Cell{}` sets only the 4-byte integer member and may leave
// the upper bytes of the pointers undefined.
inline Cell zeroCell() { return std::bit_cast<Cell>(uint64_t{0}); }

union Word {
  intptr_t n;    // command identifier or plain integer operand
  Cell* cell;    // operand: address of a value cell
  Word* target;  // jump target: address of a code word
};
static_assert(sizeof(Word) == 8);

// Cell ranges of the ValueArea.
enum CellRange : int32_t {
  IntTemps = 0,
  FloatTemps = 1000,
  StringTemps = 2000,
  IntVars = 3000,
  FloatVars = 5000,
  StringVars = 7000,
  IntConsts = 9000,
  FloatConsts = 11000,
  StringConsts = 13000,
  DataCells = 15000,
  ValueAreaCells = 29000,
};

constexpr int MaxVariables = 2000;
constexpr int MaxConstants = 2000;
constexpr int MaxTemporaries = 1000;
constexpr int MaxDataItems = 14000;
constexpr size_t MaxStringLength = 255;

// Float to integer, truncating toward zero. Values with no 32-bit integer (out of range,
// not a number) give -2147483648, as the processor's own conversion does.
inline int32_t truncToInt(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// Wrapping 32-bit integer arithmetic.
inline int32_t wrapAdd(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
inline int32_t wrapSub(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
inline int32_t wrapMul(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }

// Text of a string cell; a cell that was never written reads as the empty string.
inline std::string_view cellText(const Cell& c) { return c.s ? std::string_view(c.s) : std::string_view(); }

// Stores a copy of `text` (at most 255 characters are kept) into a string cell: the new
// block is made before the old one is freed, so the source may be the cell itself.
void storeString(Cell& c, std::string_view text);
// Frees the cell's string block, leaving the cell null.
void freeString(Cell& c);
// A new heap block holding a copy of `text` (callers own it).
char* copyString(std::string_view text);

}  // namespace zt
