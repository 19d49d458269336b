// String functions: slicing, case, character codes, binary and hexadecimal texts, number
// to text (STR$) and text to number (VAL). Positions count from 1. Each is a function:
// operand 0 receives the result, which replaces the result cell's string. No records.
#include <string>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/family.h"
#include "core/numformat.h"
#include "core/runtime.h"

namespace zt {

namespace {

Word* storeText(Word* pc, std::string_view text, int operands) {
  storeString(operand(pc, 0), text);
  return pc + operands;
}

Word* opAsc(Runtime&, Word* pc) {
  std::string_view s = cellText(operand(pc, 1));
  operand(pc, 0).i = s.empty() ? 0 : static_cast<unsigned char>(s[0]);
  return pc + 2;
}

Word* opLen(Runtime&, Word* pc) {
  operand(pc, 0).i = int32_t(cellText(operand(pc, 1)).size());
  return pc + 2;
}

Word* opBin(Runtime&, Word* pc) {
  uint32_t v = uint32_t(operand(pc, 1).i);
  std::string s = "%";
  for (int bit = 31; bit >= 0; --bit) s += (v >> bit) & 1 ? '1' : '0';
  return storeText(pc, s, 2);
}

Word* opChr(Runtime&, Word* pc) {
  char c = char(operand(pc, 1).i & 0xFF);
  return storeText(pc, std::string_view(&c, c ? 1 : 0), 2);
}

Word* opHex(Runtime&, Word* pc) { return storeText(pc, formatHex(operand(pc, 1).i), 2); }

Word* opLeft(Runtime&, Word* pc) {
  std::string_view s = cellText(operand(pc, 1));
  int32_t n = operand(pc, 2).i;
  return storeText(pc, n < 1 ? std::string_view() : s.substr(0, size_t(n)), 3);
}

Word* opRight(Runtime&, Word* pc) {
  std::string_view s = cellText(operand(pc, 1));
  int32_t n = operand(pc, 2).i;
  return storeText(pc, n < 1 ? std::string_view() : s.substr(s.size() - std::min(s.size(), size_t(n))), 3);
}

Word* opMid(Runtime&, Word* pc) {
  std::string_view s = cellText(operand(pc, 1));
  int32_t n = operand(pc, 2).i;
  return storeText(pc, n < 1 || size_t(n) > s.size() ? std::string_view() : s.substr(size_t(n) - 1, 1), 3);
}

template <char From, char To>
Word* opChangeCase(Runtime&, Word* pc) {
  std::string s(cellText(operand(pc, 1)));
  for (char& c : s)
    if (c >= From && c < From + 26) c = char(c - From + To);
  return storeText(pc, s, 2);
}

// 256 blanks or more would not fit a string: 107, and the result stays as it was.
Word* opSpace(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 1).i;
  if (n > int32_t(MaxStringLength))
    raiseError(rt, ErrStringTooLong);
  else
    storeString(operand(pc, 0), std::string(size_t(std::max(n, 0)), ' '));
  return pc + 2;
}

Word* opStrFloat(Runtime&, Word* pc) { return storeText(pc, formatFloat(operand(pc, 1).f), 2); }
Word* opStrInteger(Runtime&, Word* pc) { return storeText(pc, formatInteger(operand(pc, 1).i), 2); }

// Both table entries of VAL share this identifier. The value is a float; a result cell of
// integer kind receives it truncated, so that the integer form reads a number too.
Word* opVal(Runtime& rt, Word* pc) {
  Cell& result = operand(pc, 0);
  float v = float(parseLeadingFloat(cellText(operand(pc, 1))));
  if (cellKind(cellNumber(rt, result)) == 'L')
    result.i = truncToInt(v);
  else
    result.f = v;
  return pc + 2;
}

const CommandRow Rows[] = {
    {CmdAsc, opAsc},
    {CmdBin, opBin},
    {CmdChr, opChr},
    {CmdHex, opHex},
    {CmdLeft, opLeft},
    {CmdLen, opLen},
    {CmdLower, opChangeCase<'A', 'a'>},
    {CmdMid, opMid},
    {CmdRight, opRight},
    {CmdSpace, opSpace},
    {CmdUpper, opChangeCase<'a', 'A'>},
    {CmdStrSF, opStrFloat},
    {CmdStrSL, opStrInteger},
    {CmdValFS, opVal, Flow::Next, "NS"},
};

}  // namespace

extern const std::span<const CommandRow> StringRows(Rows);

}  // namespace zt
