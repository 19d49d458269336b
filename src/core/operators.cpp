// Operators of expressions: arithmetic, comparison, bitwise, string concatenation and
// removal, assignment, INC and DEC. Each is a function command: operand 0 receives the
// result, operands 1 and 2 are the left and right values. Integer arithmetic wraps;
// mixed forms work on the integer converted to float and give a float.
#include <cmath>
#include <string>

#include "core/family.h"
#include "core/operations.h"

namespace zt {

namespace {

constexpr int32_t ErrIncOperand = 114;
constexpr int32_t ErrDecOperand = 115;

void storeFloat(Word* pc, double v) { operand(pc, 0).f = float(v); }
void storeTruth(Word* pc, bool v) { operand(pc, 0).i = v ? 1 : 0; }

// ---- arithmetic ----

// Power: the left value multiplied by itself exponent-1 times; an exponent of 1 or less
// gives the left value. Wrapping products are associative, so squaring gives the same.
Word* opPowerInteger(Runtime&, Word* pc) {
  int32_t base = operand(pc, 1).i, exponent = operand(pc, 2).i;
  uint32_t result = uint32_t(base), factor = uint32_t(base);
  for (uint32_t times = exponent > 1 ? uint32_t(exponent) - 1 : 0; times; times >>= 1) {
    if (times & 1) result *= factor;
    factor *= factor;
  }
  operand(pc, 0).i = int32_t(result);
  return pc + 3;
}

Word* opPowerFloat(Runtime&, Word* pc) {
  long double base = operand(pc, 1).f;
  int32_t exponent = operand(pc, 2).i;
  long double result = base;
  constexpr int32_t LoopLimit = 1024;  // beyond it the product has long left float range
  if (exponent > LoopLimit) result = std::pow(base, (long double)exponent);
  else
    for (int32_t i = 1; i + 1 <= exponent; ++i) result *= base;
  storeFloat(pc, double(result));
  return pc + 3;
}

template <char L, char R>
Word* opDivideFloat(Runtime& rt, Word* pc) {
  double b = num<R>(pc, 2);
  if (b == 0.0) {
    operand(pc, 0).f = 0.0f;
    raiseSoftError(rt, ErrDivideByZero);
  } else {
    storeFloat(pc, num<L>(pc, 1) / b);
  }
  return pc + 3;
}

// ---- comparison ----

template <char Op>
Word* opCompareString(Runtime&, Word* pc) {
  storeTruth(pc, compare<Op>(cellText(operand(pc, 1)), cellText(operand(pc, 2))));
  return pc + 3;
}

// ---- strings ----

// Removes the first occurrence of the right string from the left one.
Word* opRemove(Runtime&, Word* pc) {
  std::string left(cellText(operand(pc, 1)));
  std::string_view right = cellText(operand(pc, 2));
  if (!right.empty() && right.size() <= left.size()) {
    size_t at = left.find(right);
    if (at != std::string::npos) left.erase(at, right.size());
  }
  storeString(operand(pc, 0), left);
  return pc + 3;
}

// ---- INC and DEC: only on a variable of their type ----

// `Kind` is the variable's type; the amount, when there is one, is always a float.
template <char Kind, int Sign, bool Amount>
Word* step(Runtime& rt, Word* pc) {
  Cell& v = operand(pc, 0);
  const int32_t n = cellNumber(rt, v);
  if (Kind == 'L' ? !isIntVariable(n) : !isFloatVariable(n)) {
    raiseError(rt, Sign > 0 ? ErrIncOperand : ErrDecOperand);
    return pc;
  }
  if constexpr (Kind == 'L') {
    int32_t amount = Amount ? truncToInt(operand(pc, 1).f) : 1;
    v.i = Sign > 0 ? wrapAdd(v.i, amount) : wrapSub(v.i, amount);
  } else {
    double amount = Amount ? double(operand(pc, 1).f) : 1.0;
    v.f = float(Sign > 0 ? double(v.f) + amount : double(v.f) - amount);
  }
  return pc + (Amount ? 2 : 1);
}

const CommandRow Rows[] = {
    {51, "^[", "LLL", opPowerInteger},
    {52, "^[", "FFL", opPowerFloat},
    {61, "/[", "LLL", opDivideInteger},
    {64, "/[", "FLF", opDivideFloat<'L', 'F'>},
    {65, "/[", "FFL", opDivideFloat<'F', 'L'>},
    {66, "/[", "FFF", opDivideFloat<'F', 'F'>},
    {71, "*[", "LLL", opIntegerArith<wrapMul>},
    {74, "*[", "FLF", opFloatArith<'L', 'F', '*'>},
    {75, "*[", "FFL", opFloatArith<'F', 'L', '*'>},
    {76, "*[", "FFF", opFloatArith<'F', 'F', '*'>},
    {81, "+[", "LLL", opIntegerArith<wrapAdd>},
    {84, "+[", "FLF", opFloatArith<'L', 'F', '+'>},
    {85, "+[", "FFL", opFloatArith<'F', 'L', '+'>},
    {86, "+[", "FFF", opFloatArith<'F', 'F', '+'>},
    {87, "+[", "SSS", opConcatenate},
    {91, "-[", "LLL", opIntegerArith<wrapSub>},
    {94, "-[", "FLF", opFloatArith<'L', 'F', '-'>},
    {95, "-[", "FFL", opFloatArith<'F', 'L', '-'>},
    {96, "-[", "FFF", opFloatArith<'F', 'F', '-'>},
    {97, "-[", "SSS", opRemove},
    {101, "==[", "LLL", opCompareInteger<'='>},
    {102, "==[", "LFF", opCompareFloat<'=', 'F', 'F'>},
    {103, "==[", "LSS", opCompareString<'='>},
    {111, ">[", "LLL", opCompareInteger<'>'>},
    {112, ">[", "LFF", opCompareFloat<'>', 'F', 'F'>},
    {113, ">=[", "LLL", opCompareInteger<'g'>},
    {114, ">=[", "LFF", opCompareFloat<'g', 'F', 'F'>},
    {115, "<[", "LLL", opCompareInteger<'<'>},
    {116, "<[", "LFF", opCompareFloat<'<', 'F', 'F'>},
    {117, "<=[", "LLL", opCompareInteger<'l'>},
    {118, "<=[", "LFF", opCompareFloat<'l', 'F', 'F'>},
    {119, "![", "LLL", opCompareInteger<'!'>},
    {120, "![", "LFF", opCompareFloat<'!', 'F', 'F'>},
    {121, "![", "LSS", opCompareString<'!'>},
    {123, "&[", "LLL", opIntegerArith<bitAnd>},
    {124, "|[", "LLL", opIntegerArith<bitOr>},
    {131, "==[", "LLF", opCompareFloat<'=', 'L', 'F'>},
    {132, "==[", "LFL", opCompareFloat<'=', 'F', 'L'>},
    {133, ">[", "LLF", opCompareFloat<'>', 'L', 'F'>},
    {134, ">[", "LFL", opCompareFloat<'>', 'F', 'L'>},
    {135, ">=[", "LLF", opCompareFloat<'g', 'L', 'F'>},
    {136, ">=[", "LFL", opCompareFloat<'g', 'F', 'L'>},
    {137, "<[", "LLF", opCompareFloat<'<', 'L', 'F'>},
    {138, "<[", "LFL", opCompareFloat<'<', 'F', 'L'>},
    {139, "<=[", "LLF", opCompareFloat<'l', 'L', 'F'>},
    {140, "<=[", "LFL", opCompareFloat<'l', 'F', 'L'>},
    {141, "![", "LLF", opCompareFloat<'!', 'L', 'F'>},
    {142, "![", "LFL", opCompareFloat<'!', 'F', 'L'>},
    {151, "=", "LL", opAssignWord},
    {152, "=", "FF", opAssignWord},
    {153, "=", "SS", opAssignString},
    {154, "=", "LF", opAssignFloatToInteger},
    {155, "=", "FL", opAssignIntegerToFloat},
    {411, "INC", "F", step<'F', 1, false>},
    {412, "INC", "L", step<'L', 1, false>},
    {413, "INC", "FF", step<'F', 1, true>},
    {414, "INC", "LF", step<'L', 1, true>},
    {421, "DEC", "F", step<'F', -1, false>},
    {422, "DEC", "L", step<'L', -1, false>},
    {423, "DEC", "FF", step<'F', -1, true>},
    {424, "DEC", "LF", step<'L', -1, true>},
};

}  // namespace

extern const std::span<const CommandRow> OperatorRows(Rows);

}  // namespace zt
