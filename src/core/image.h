// Program image and loader.
// The file format is in core/image_format.h. The loader builds the ValueArea and the
// CodeBlock and decodes every code word once, so operands become cell addresses and jump
// targets code addresses. Images are not trusted: every
// offset and count is checked, and the code is walked along its control flow so that
// every reachable command has its operands inside the code and of the right cell kind.
// Each reachable command word is decoded into what runs it (see encodeCommand); a word is
// never both a command and an operand.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"

namespace zt {

struct DispatchTable;

struct ProgramImage {
  std::vector<Cell> ValueArea;  // 29000 cells
  std::vector<Word> CodeBlock;  // decoded code, then one end word
  std::vector<bool> CommandStarts;  // per code word: a command the loader's walk reached
  size_t CodeWords = 0;         // words decoded from the file
  std::string DataTypes;        // one letter per DATA item: l, f or s
  std::array<std::vector<int32_t>, 3> OwnerLists;  // integer, float, string variables
  // The variable cells each function owns (integers, floats, strings, each in cell order):
  // function f's are OwnedCells[OwnedStart[f] .. OwnedStart[f + 1]), its strings from
  // OwnedStringStart[f] on.
  std::vector<int32_t> OwnedCells;
  std::vector<uint32_t> OwnedStart, OwnedStringStart;
  bool loaded = false;

  Cell* cell(int32_t index) { return &ValueArea[index]; }
  int32_t cellIndex(const Cell* c) const { return static_cast<int32_t>(c - ValueArea.data()); }
  size_t codeIndex(const Word* w) const { return static_cast<size_t>(w - CodeBlock.data()); }
  bool inCode(const Word* w) const { return w >= CodeBlock.data() && w < CodeBlock.data() + CodeBlock.size(); }
  // The integer and float cells a function owns, then its string cells.
  std::span<const int32_t> ownedNumbers(uint16_t function) const {
    if (size_t(function) + 1 >= OwnedStart.size()) return {};
    return {OwnedCells.data() + OwnedStart[function], OwnedStringStart[function] - OwnedStart[function]};
  }
  std::span<const int32_t> ownedStrings(uint16_t function) const {
    if (size_t(function) + 1 >= OwnedStart.size()) return {};
    return {OwnedCells.data() + OwnedStringStart[function], OwnedStart[size_t(function) + 1] - OwnedStringStart[function]};
  }
  bool isCommand(const Word* w) const { return inCode(w) && CommandStarts[codeIndex(w)]; }
};

// Loads an image from memory. On failure returns false with a reason in `error` and
// leaves `image` unloaded. `commands` tells the code walk each command's operand layout.
bool loadProgram(ProgramImage& image, std::string_view bytes, const DispatchTable& commands, std::string& error);

struct ArrayState;
// Frees every string block and array the program owns, in the documented order.
void releaseProgram(ProgramImage& image, ArrayState& arrays);

// Kind of a cell by its range: 'L', 'F', 'S' or 0 for a DATA cell.
inline char cellKind(int32_t i) {
  if (i < 0 || i >= DataCells) return 0;
  if (i < IntVars) return i < FloatTemps ? 'L' : i < StringTemps ? 'F' : 'S';
  i -= i < IntConsts ? IntVars : IntConsts;  // variables and constants: 2000 of each kind
  return i < MaxVariables ? 'L' : i < 2 * MaxVariables ? 'F' : 'S';
}
inline bool isIntVariable(int32_t i) { return i >= IntVars && i < FloatVars; }
inline bool isFloatVariable(int32_t i) { return i >= FloatVars && i < StringVars; }
inline bool isStringVariable(int32_t i) { return i >= StringVars && i < IntConsts; }

}  // namespace zt
